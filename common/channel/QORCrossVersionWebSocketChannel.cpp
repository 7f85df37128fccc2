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

bool QORCrossVersionWebSocketChannel::hasURL() const { return socket_->urlRequest().url().has_value(); }

bool QORCrossVersionWebSocketChannel::isOpen() const { return socket_->isConnected(); }

void QORCrossVersionWebSocketChannel::open(bool renew) {
  if (renew) {
    socket_->reconnect();
  } else {
    socket_->connect();
  }
}

void QORCrossVersionWebSocketChannel::close() { socket_->disconnect(); }

void QORCrossVersionWebSocketChannel::sendText(const std::string& text) { socket_->sendWithString(text); }

double QORCrossVersionWebSocketChannel::timeoutInterval() const { return socket_->urlRequest().timeoutInterval(); }

void QORCrossVersionWebSocketChannel::handleReceivedMessage(const std::string& text) {
  answerArrived(platform::bytesFromString(text), kAnswerStatus);
}

// Adapter messages, on the main queue.

void QORCrossVersionWebSocketChannel::engineWebSocketDidConnectWithHeaders(const Socket&, const platform::Json&) {
  connectionOpened();
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
  connectionFailed(error);
}

void QORCrossVersionWebSocketChannel::engineWebSocketDidCancel(const Socket&) { connectionLost(); }

}  // namespace qor
