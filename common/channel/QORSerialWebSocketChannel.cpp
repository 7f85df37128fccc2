#include "common/channel/QORSerialWebSocketChannel.h"

#include <cmath>

#include "common/storage/QORCommonData.h"
#include "platform/Queue.h"
#include "platform/http/URLError.h"

namespace qor {

namespace {

bool equalsOkInAnyCase(const std::string& text) {
  return text.size() == 2 && (text[0] == 'o' || text[0] == 'O') && (text[1] == 'k' || text[1] == 'K');
}

}  // namespace

platform::URLRequest QORSerialWebSocketChannel::makeUrlRequest() {
  auto host = QORCommonData::webSocketHost();
  platform::URLRequest request(host ? platform::URL::parse(*host) : std::nullopt);
  const platform::Json stored = QORCommonData::httpHeaders();
  platform::HTTPHeaderFields fields;
  for (const auto& [name, value] : stored.items()) {
    if (value.is_string()) fields.emplace_back(name, value.get<std::string>());
  }
  request.setAllHTTPHeaderFields(fields);
  return request;
}

std::optional<platform::Error> QORSerialWebSocketChannel::errorFromServerMessage(const std::string& text) {
  auto json = platform::Json::parse(text, nullptr, false);
  std::string message;
  if (json.is_object()) {
    if (const platform::Json* status = platform::member(json, "status"); status && status->is_object()) {
      message = platform::stringMember(*status, "message").value_or("");
    }
  }
  if (equalsOkInAnyCase(message)) return std::nullopt;
  return platform::Error::make(message, 0);
}

// Exchanges.

void QORSerialWebSocketChannel::prepareWithReconnection(bool reconnect, PrepareCompletion completion) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  enqueue({true, reconnect, {}, std::move(completion), nullptr});
}

void QORSerialWebSocketChannel::sendMessage(const platform::Bytes& data, AnswerCompletion completion) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  enqueue({false, false, data, nullptr, std::move(completion)});
}

void QORSerialWebSocketChannel::enqueue(Exchange exchange) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  waiting_.push_back(std::move(exchange));
  startNext();
}

void QORSerialWebSocketChannel::startNext() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  while (!prepareBlock_ && !answerBlock_ && !waiting_.empty()) {
    Exchange next = std::move(waiting_.front());
    waiting_.pop_front();
    if (next.isPrepare) {
      startPrepare(next.reconnect, std::move(next.prepareBlock));
    } else {
      startSend(next.data, std::move(next.answerBlock));
    }
  }
}

void QORSerialWebSocketChannel::startPrepare(bool reconnect, PrepareCompletion block) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (!hasURL()) {
    if (block) block(false);
    return;
  }
  const bool renew = reconnect || stale_;
  if (!renew && isOpen()) {
    if (block) block(true);
    return;
  }
  prepareBlock_ = block ? std::move(block) : [](bool) {};
  armTimeout();
  open(renew);
}

void QORSerialWebSocketChannel::startSend(const platform::Bytes& data, AnswerCompletion block) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (!isOpen()) {
    // The text would be dropped unsent; the caller need not wait for a timeout to learn that.
    auto error = platform::urlError(platform::kURLErrorNetworkConnectionLost);
    if (block) block(std::nullopt, error, error.code);
    return;
  }
  answerBlock_ = block ? std::move(block) : [](platform::OptBytes, std::optional<platform::Error>, int64_t) {};
  armTimeout();
  sendText(platform::stringFromBytes(data));
}

void QORSerialWebSocketChannel::finishPrepare(bool ready) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (auto block = std::exchange(prepareBlock_, nullptr)) block(ready);
  startNext();
}

void QORSerialWebSocketChannel::finishAnswer(platform::OptBytes data, std::optional<platform::Error> error,
                                             int64_t status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (auto block = std::exchange(answerBlock_, nullptr)) block(std::move(data), std::move(error), status);
  startNext();
}

void QORSerialWebSocketChannel::armTimeout() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  const uint64_t exchange = ++exchangeCount_;
  double seconds = timeoutInterval();
  // A request without a usable timeout still gets the platform's default one.
  if (!(seconds > 0) || !std::isfinite(seconds)) seconds = platform::URLRequest::kDefaultTimeoutInterval;
  platform::MainQueue::shared()->postAfterFor(
      platform::seconds(seconds), weak_from_this(),
      [exchange](const std::shared_ptr<QORSerialWebSocketChannel>& self) { self->timedOut(exchange); });
}

void QORSerialWebSocketChannel::timedOut(uint64_t exchange) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (exchange != exchangeCount_) return;
  if (prepareBlock_) {
    stale_ = true;
    finishPrepare(false);
  } else if (answerBlock_) {
    // A late answer must not be taken for the next request's: that connection is done with.
    stale_ = true;
    close();
    auto error = platform::urlError(platform::kURLErrorTimedOut);
    finishAnswer(std::nullopt, error, error.code);
  }
}

// What the connection reports.

void QORSerialWebSocketChannel::connectionOpened() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  stale_ = false;
  if (prepareBlock_) finishPrepare(true);
}

void QORSerialWebSocketChannel::connectionLost() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (prepareBlock_) {
    finishPrepare(false);
  } else if (answerBlock_) {
    auto error = platform::urlError(platform::kURLErrorNetworkConnectionLost);
    finishAnswer(std::nullopt, error, error.code);
  }
}

void QORSerialWebSocketChannel::connectionFailed(const std::optional<platform::Error>& error) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (prepareBlock_) {
    finishPrepare(false);
    return;
  }
  if (!answerBlock_) return;
  // An error of code 0 (a refused upgrade among them) fails the answer as much as any other.
  if (error && error->code != 0) {
    finishAnswer(std::nullopt, error, error->code);
  } else {
    connectionLost();
  }
}

void QORSerialWebSocketChannel::answerArrived(const platform::Bytes& answer, int64_t status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (!answerBlock_) return;
  finishAnswer(answer, errorFromServerMessage(platform::stringFromBytes(answer)), status);
}

void QORSerialWebSocketChannel::answerFailed(platform::Error error, int64_t status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (!answerBlock_) return;
  finishAnswer(std::nullopt, std::move(error), status);
}

}  // namespace qor
