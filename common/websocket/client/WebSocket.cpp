#include "common/websocket/client/WebSocket.h"

#include "common/websocket/engine/NativeEngine.h"
#include "common/websocket/engine/WSEngine.h"
#include "common/websocket/transport/FoundationTransport.h"
#include "common/websocket/transport/TCPTransport.h"
#include "platform/OSVersion.h"

namespace qor {

namespace {

std::shared_ptr<Engine> makeEngine(bool useCustomEngine, std::shared_ptr<CertificatePinning> certPinner,
                                   std::shared_ptr<CompressionHandler> compressionHandler) {
  // The URL session's WebSocket task exists from system 13 on; the pinner and the compression
  // handler have no say there.
  if (!useCustomEngine && platform::isOperatingSystemAtLeast({13, 0, 0})) return NativeEngine::create();
  std::shared_ptr<Transport> transport;
  if (platform::isOperatingSystemAtLeast({12, 0, 0})) {
    transport = TCPTransport::create();
  } else {
    transport = FoundationTransport::create();
  }
  return WSEngine::create(std::move(transport), std::move(certPinner), nullptr, nullptr, nullptr,
                          std::move(compressionHandler));
}

}  // namespace

std::shared_ptr<WebSocket> WebSocket::create(platform::URLRequest request, std::shared_ptr<Engine> engine) {
  return std::shared_ptr<WebSocket>(new WebSocket(std::move(request), std::move(engine)));
}

std::shared_ptr<WebSocket> WebSocket::create(platform::URLRequest request,
                                             std::shared_ptr<CertificatePinning> certPinner,
                                             std::shared_ptr<CompressionHandler> compressionHandler,
                                             bool useCustomEngine) {
  return create(std::move(request), makeEngine(useCustomEngine, std::move(certPinner), std::move(compressionHandler)));
}

WebSocket::WebSocket(platform::URLRequest request, std::shared_ptr<Engine> engine)
    : engine_(std::move(engine)), request_(std::move(request)), callbackQueue_(platform::MainQueue::shared()) {}

std::shared_ptr<WebSocketDelegate> WebSocket::delegate() const {
  std::lock_guard lock(mutex_);
  return delegate_.lock();
}

void WebSocket::setDelegate(std::weak_ptr<WebSocketDelegate> delegate) {
  std::lock_guard lock(mutex_);
  delegate_ = std::move(delegate);
}

WebSocket::EventBlock WebSocket::onEvent() const {
  std::lock_guard lock(mutex_);
  return onEvent_;
}

void WebSocket::setOnEvent(EventBlock onEvent) {
  std::lock_guard lock(mutex_);
  onEvent_ = std::move(onEvent);
}

platform::URLRequest WebSocket::request() const {
  std::lock_guard lock(mutex_);
  return request_;
}

void WebSocket::setRequest(platform::URLRequest request) {
  std::lock_guard lock(mutex_);
  request_ = std::move(request);
}

std::shared_ptr<platform::Queue> WebSocket::callbackQueue() const {
  std::lock_guard lock(mutex_);
  return callbackQueue_;
}

void WebSocket::setCallbackQueue(std::shared_ptr<platform::Queue> queue) {
  std::lock_guard lock(mutex_);
  callbackQueue_ = std::move(queue);
}

bool WebSocket::respondToPingWithPong() const {
  if (auto* engine = dynamic_cast<WSEngine*>(engine_.get())) return engine->respondToPingWithPong();
  return true;
}

void WebSocket::setRespondToPingWithPong(bool respond) {
  if (auto* engine = dynamic_cast<WSEngine*>(engine_.get())) engine->setRespondToPingWithPong(respond);
}

void WebSocket::connect() {
  engine_->registerDelegate(weak_from_this());
  engine_->start(request());
}

void WebSocket::disconnect(uint16_t closeCode) { engine_->stop(closeCode); }

void WebSocket::forceDisconnect() { engine_->forceStop(); }

void WebSocket::writeData(platform::Bytes data, Completion completion) {
  engine_->writeData(std::move(data), FrameOpCode::binaryFrame, std::move(completion));
}

void WebSocket::writeString(const std::string& string, Completion completion) {
  engine_->writeString(string, std::move(completion));
}

void WebSocket::writeStringData(platform::Bytes data, Completion completion) {
  engine_->writeData(std::move(data), FrameOpCode::textFrame, std::move(completion));
}

void WebSocket::writePing(platform::Bytes data, Completion completion) {
  engine_->writeData(std::move(data), FrameOpCode::ping, std::move(completion));
}

void WebSocket::writePong(platform::Bytes data, Completion completion) {
  engine_->writeData(std::move(data), FrameOpCode::pong, std::move(completion));
}

void WebSocket::didReceive(WebSocketEvent event) {
  callbackQueue()->postFor(weak_from_this(),
                           [event = std::move(event)](const std::shared_ptr<WebSocket>& self) { self->deliver(event); });
}

void WebSocket::deliver(const WebSocketEvent& event) {
  if (auto d = delegate()) d->didReceive(event, shared_from_this());
  if (auto block = onEvent()) block(event);
}

}  // namespace qor
