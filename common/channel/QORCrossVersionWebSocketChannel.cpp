#include "common/channel/QORCrossVersionWebSocketChannel.h"

#include <cmath>

#include "common/storage/QORCommonData.h"
#include "platform/Queue.h"
#include "platform/SystemLog.h"
#include "platform/http/URLError.h"

namespace qor {

namespace {

// The status of an answer that arrived as a text message.
constexpr int64_t kAnswerStatus = 101;

bool equalsOkInAnyCase(const std::string& text) {
  return text.size() == 2 && (text[0] == 'o' || text[0] == 'O') && (text[1] == 'k' || text[1] == 'K');
}

}  // namespace

std::shared_ptr<QORCrossVersionWebSocketChannel> QORCrossVersionWebSocketChannel::create() {
  return create(QOREngineWebSocket::create(makeUrlRequest()));
}

std::shared_ptr<QORCrossVersionWebSocketChannel> QORCrossVersionWebSocketChannel::create(
    std::shared_ptr<QOREngineWebSocket> socket) {
  auto channel = std::shared_ptr<QORCrossVersionWebSocketChannel>(new QORCrossVersionWebSocketChannel(std::move(socket)));
  channel->socket_->setDelegate(channel);
  return channel;
}

QORCrossVersionWebSocketChannel::QORCrossVersionWebSocketChannel(std::shared_ptr<QOREngineWebSocket> socket)
    : socket_(std::move(socket)) {}

platform::URLRequest QORCrossVersionWebSocketChannel::makeUrlRequest() {
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

std::optional<platform::Error> QORCrossVersionWebSocketChannel::errorFromServerMessage(const std::string& text) {
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

void QORCrossVersionWebSocketChannel::prepareWithReconnection(bool reconnect, PrepareCompletion completion) {
  enqueue({true, reconnect, {}, std::move(completion), nullptr});
}

void QORCrossVersionWebSocketChannel::sendMessage(const platform::Bytes& data, AnswerCompletion completion) {
  enqueue({false, false, data, nullptr, std::move(completion)});
}

void QORCrossVersionWebSocketChannel::enqueue(Exchange exchange) {
  waiting_.push_back(std::move(exchange));
  startNext();
}

void QORCrossVersionWebSocketChannel::startNext() {
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

void QORCrossVersionWebSocketChannel::startPrepare(bool reconnect, PrepareCompletion block) {
  if (!socket_->urlRequest().url()) {
    if (block) block(false);
    return;
  }
  const bool renew = reconnect || stale_;
  if (!renew && socket_->isConnected()) {
    if (block) block(true);
    return;
  }
  prepareBlock_ = block ? std::move(block) : [](bool) {};
  armTimeout();
  if (renew) {
    socket_->reconnect();
  } else {
    socket_->connect();
  }
}

void QORCrossVersionWebSocketChannel::startSend(const platform::Bytes& data, AnswerCompletion block) {
  if (!socket_->isConnected()) {
    // The text would be dropped unsent; the caller need not wait for a timeout to learn that.
    auto error = platform::urlError(platform::kURLErrorNetworkConnectionLost);
    if (block) block(std::nullopt, error, error.code);
    return;
  }
  answerBlock_ = block ? std::move(block) : [](platform::OptBytes, std::optional<platform::Error>, int64_t) {};
  armTimeout();
  socket_->sendWithString(platform::stringFromBytes(data));
}

void QORCrossVersionWebSocketChannel::finishPrepare(bool ready) {
  if (auto block = std::exchange(prepareBlock_, nullptr)) block(ready);
  startNext();
}

void QORCrossVersionWebSocketChannel::finishAnswer(platform::OptBytes data, std::optional<platform::Error> error,
                                                   int64_t status) {
  if (auto block = std::exchange(answerBlock_, nullptr)) block(std::move(data), std::move(error), status);
  startNext();
}

void QORCrossVersionWebSocketChannel::armTimeout() {
  const uint64_t exchange = ++exchangeCount_;
  double seconds = socket_->urlRequest().timeoutInterval();
  // A request without a usable timeout still gets the platform's default one.
  if (!(seconds > 0) || !std::isfinite(seconds)) seconds = platform::URLRequest::kDefaultTimeoutInterval;
  platform::MainQueue::shared()->postAfterFor(
      platform::seconds(seconds), weak_from_this(),
      [exchange](const std::shared_ptr<QORCrossVersionWebSocketChannel>& self) { self->timedOut(exchange); });
}

void QORCrossVersionWebSocketChannel::timedOut(uint64_t exchange) {
  if (exchange != exchangeCount_) return;
  if (prepareBlock_) {
    stale_ = true;
    finishPrepare(false);
  } else if (answerBlock_) {
    // A late answer must not be taken for the next request's: that connection is done with.
    stale_ = true;
    socket_->disconnect();
    auto error = platform::urlError(platform::kURLErrorTimedOut);
    finishAnswer(std::nullopt, error, error.code);
  }
}

void QORCrossVersionWebSocketChannel::connectionLost() {
  if (prepareBlock_) {
    finishPrepare(false);
  } else if (answerBlock_) {
    auto error = platform::urlError(platform::kURLErrorNetworkConnectionLost);
    finishAnswer(std::nullopt, error, error.code);
  }
}

void QORCrossVersionWebSocketChannel::handleReceivedMessage(const std::string& text) {
  if (!answerBlock_) return;
  finishAnswer(platform::bytesFromString(text), errorFromServerMessage(text), kAnswerStatus);
}

// Adapter messages, on the main queue.

void QORCrossVersionWebSocketChannel::engineWebSocketDidConnectWithHeaders(const Socket&, const platform::Json&) {
  stale_ = false;
  if (prepareBlock_) finishPrepare(true);
}

void QORCrossVersionWebSocketChannel::engineWebSocketDidDisconnectWithReason(const Socket&, const std::string& reason,
                                                                             uint16_t code) {
  platform::systemLog("close code: " + std::to_string(code) + ", \nreason: " + reason);
  connectionLost();
}

void QORCrossVersionWebSocketChannel::engineWebSocketDidReceiveText(const Socket&, const std::string& text) {
  handleReceivedMessage(text);
}

void QORCrossVersionWebSocketChannel::engineWebSocketDidReceiveError(const Socket&,
                                                                     const std::optional<platform::Error>& error) {
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

void QORCrossVersionWebSocketChannel::engineWebSocketDidCancel(const Socket&) { connectionLost(); }

}  // namespace qor
