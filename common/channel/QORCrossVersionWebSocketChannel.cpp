#include "common/channel/QORCrossVersionWebSocketChannel.h"

#include "platform/SystemLog.h"

namespace qor {

namespace {

// The status of an answer that arrived as a text message.
constexpr int64_t kAnswerStatus = 101;

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

// The connection: the adapter.

bool QORCrossVersionWebSocketChannel::hasURL() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return socket_->urlRequest().url().has_value();
}

bool QORCrossVersionWebSocketChannel::isOpen() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return socket_->isConnected();
}

void QORCrossVersionWebSocketChannel::open(bool renew) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (renew) {
    socket_->reconnect();
  } else {
    socket_->connect();
  }
}

void QORCrossVersionWebSocketChannel::close() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  socket_->disconnect();
}

void QORCrossVersionWebSocketChannel::sendText(const std::string& text) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  socket_->sendWithString(text);
}

double QORCrossVersionWebSocketChannel::timeoutInterval() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return socket_->urlRequest().timeoutInterval();
}

void QORCrossVersionWebSocketChannel::handleReceivedMessage(const std::string& text) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  answerArrived(platform::bytesFromString(text), kAnswerStatus);
}

// Adapter messages, on the main queue.

void QORCrossVersionWebSocketChannel::engineWebSocketDidConnectWithHeaders(const Socket&, const platform::Json&) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  connectionOpened();
}

void QORCrossVersionWebSocketChannel::engineWebSocketDidDisconnectWithReason(const Socket&, const std::string& reason,
                                                                             uint16_t code) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  platform::systemLog("close code: " + std::to_string(code) + ", \nreason: " + reason);
  connectionLost();
}

void QORCrossVersionWebSocketChannel::engineWebSocketDidReceiveText(const Socket&, const std::string& text) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  handleReceivedMessage(text);
}

void QORCrossVersionWebSocketChannel::engineWebSocketDidReceiveError(const Socket&,
                                                                     const std::optional<platform::Error>& error) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  connectionFailed(error);
}

void QORCrossVersionWebSocketChannel::engineWebSocketDidCancel(const Socket&) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  connectionLost();
}

}  // namespace qor
