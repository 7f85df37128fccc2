#include "common/websocket/engine/WSEngine.h"

#include "common/websocket/WSError.h"
#include "common/websocket/http/FoundationHTTPHandler.h"
#include "common/websocket/http/HTTPWSHeader.h"
#include "common/websocket/framer/WSFramer.h"
#include "common/websocket/security/FoundationSecurity.h"
#include "platform/http/HTTPCookie.h"
#include "platform/http/HTTPCookieStorage.h"

namespace qor {

namespace {

// RFC 6455, section 5.5: control frames carry at most 125 bytes.
constexpr size_t kMaximumControlPayload = 125;

constexpr bool isControlOpCode(FrameOpCode op) {
  return op == FrameOpCode::connectionClose || op == FrameOpCode::ping || op == FrameOpCode::pong;
}

}  // namespace

std::shared_ptr<WSEngine> WSEngine::create(std::shared_ptr<Transport> transport,
                                           std::shared_ptr<CertificatePinning> certPinner,
                                           std::shared_ptr<HeaderValidator> headerValidator,
                                           std::shared_ptr<HTTPHandler> httpHandler, std::shared_ptr<Framer> framer,
                                           std::shared_ptr<CompressionHandler> compressionHandler) {
  return std::shared_ptr<WSEngine>(new WSEngine(std::move(transport), std::move(certPinner), std::move(headerValidator),
                                                std::move(httpHandler), std::move(framer),
                                                std::move(compressionHandler)));
}

WSEngine::WSEngine(std::shared_ptr<Transport> transport, std::shared_ptr<CertificatePinning> certPinner,
                   std::shared_ptr<HeaderValidator> headerValidator, std::shared_ptr<HTTPHandler> httpHandler,
                   std::shared_ptr<Framer> framer, std::shared_ptr<CompressionHandler> compressionHandler)
    : transport_(std::move(transport)),
      framer_(framer ? std::move(framer) : WSFramer::create(false)),
      httpHandler_(httpHandler ? std::move(httpHandler) : FoundationHTTPHandler::create()),
      compressionHandler_(std::move(compressionHandler)),
      certPinner_(std::move(certPinner)),
      headerChecker_(headerValidator ? std::move(headerValidator) : std::make_shared<FoundationSecurity>(false)),
      writeQueue_(platform::SerialQueue::create("com.qor.websocket.engine.write")) {
  framer_->updateCompression(compressionHandler_ != nullptr);
}

std::shared_ptr<EngineDelegate> WSEngine::delegate() const {
  std::lock_guard lock(mutex_);
  return delegate_.lock();
}

void WSEngine::registerDelegate(std::weak_ptr<EngineDelegate> delegate) {
  std::lock_guard lock(mutex_);
  delegate_ = std::move(delegate);
}

bool WSEngine::canSend() const {
  std::lock_guard lock(mutex_);
  return canSend_;
}

void WSEngine::setOpen(bool open) {
  std::lock_guard lock(mutex_);
  canSend_ = open;
  didUpgrade_ = open;
}

void WSEngine::report(WebSocketEvent event) {
  if (auto d = delegate()) d->didReceive(std::move(event));
}

// Starting and stopping.

void WSEngine::start(const platform::URLRequest& request) {
  {
    std::lock_guard lock(mutex_);
    if (canSend_) return;
    request_ = request;
  }
  failed_ = false;
  closeQueued_ = false;
  closeReceived_ = false;

  std::weak_ptr<WSEngine> weak = weak_from_this();
  transport_->registerDelegate(weak);
  framer_->registerDelegate(weak);
  httpHandler_->registerDelegate(weak);
  frameHandler_.setDelegate(weak);
  // A frame or message cut off by an earlier connection must not run into this one's first frame.
  framer_->reset([weak] {
    if (auto self = weak.lock()) self->frameHandler_.reset();
  });

  if (!request.url()) return;
  transport_->connect(*request.url(), request.timeoutInterval(), certPinner_);
}

void WSEngine::stop(uint16_t closeCode) {
  platform::Bytes payload{static_cast<uint8_t>(closeCode >> 8), static_cast<uint8_t>(closeCode & 0xFF)};
  std::weak_ptr<WSEngine> weak = weak_from_this();
  writeData(std::move(payload), FrameOpCode::connectionClose, [weak] {
    if (auto self = weak.lock()) {
      self->setOpen(false);
      self->forceStop();
    }
  });
}

void WSEngine::forceStop() { transport_->disconnect(); }

void WSEngine::fail(ErrorPtr error) {
  if (failed_.exchange(true)) return;
  if (canSend()) {
    const auto* wsError = errorAs<WSError>(error);
    stop(wsError ? wsError->code() : rawCode(CloseCode::normal));
  } else {
    // Before the upgrade no close frame can go, but the connection must not stay open.
    forceStop();
  }
  report(WebSocketEvent::Error{std::move(error)});
}

// Sending.

void WSEngine::writeString(const std::string& string, WriteCompletion completion) {
  if (compressionHandler_) {
    writeData(platform::bytesFromString(string), FrameOpCode::textFrame, std::move(completion));
    return;
  }
  // Without compression a frame owes nothing to the connection's state, so it is built here, straight
  // from the caller's text: a large message is copied once, not twice.
  auto frame = framer_->createWriteFrame(
      FrameOpCode::textFrame, {reinterpret_cast<const uint8_t*>(string.data()), string.size()}, false);
  writeQueue_->postFor(weak_from_this(), [frame = std::move(frame), size = string.size(),
                                          completion = std::move(completion)](
                                             const std::shared_ptr<WSEngine>& self) mutable {
    if (!frame.empty() && self->admits(FrameOpCode::textFrame, size)) {
      self->hand(std::move(frame), std::move(completion));
    }
  });
}

void WSEngine::writeData(platform::Bytes data, FrameOpCode opcode, WriteCompletion completion) {
  writeQueue_->postFor(weak_from_this(), [data = std::move(data), opcode, completion = std::move(completion)](
                                             const std::shared_ptr<WSEngine>& self) {
    self->send(data, opcode, completion);
  });
}

bool WSEngine::admits(FrameOpCode opcode, size_t payloadSize) {
  QOR_DCHECK_ON_QUEUE(writeQueue_);
  if (!canSend()) return false;
  if (isControlOpCode(opcode) && payloadSize > kMaximumControlPayload) return false;
  // Nothing may follow our close frame (RFC 6455, section 5.5.1), a second close included.
  if (closeQueued_) return false;
  if (opcode == FrameOpCode::connectionClose) closeQueued_ = true;
  return true;
}

void WSEngine::send(const platform::Bytes& data, FrameOpCode opcode, WriteCompletion completion) {
  if (!admits(opcode, data.size())) return;
  platform::OptBytes compressed;
  if (compressionHandler_ && isDataOpCode(opcode)) {
    std::shared_lock lock(compressionMutex_);
    compressed = compressionHandler_->compress(data);
  }
  auto frame = framer_->createWriteFrame(opcode, compressed ? *compressed : data, compressed.has_value());
  if (frame.empty()) return;  // no masking key could be made
  hand(std::move(frame), std::move(completion));
}

void WSEngine::hand(platform::Bytes frame, WriteCompletion completion) {
  if (!completion) {
    transport_->write(std::move(frame), nullptr);
    return;
  }
  transport_->write(std::move(frame), [completion = std::move(completion)](const ErrorPtr&) { completion(); });
}

// Transport states, on the transport's queue.

void WSEngine::connectionChanged(const ConnectionState& state) {
  if (const auto* received = state.as<ConnectionState::Receive>()) {
    receive(received->data);
  } else if (state.as<ConnectionState::Connected>()) {
    sendUpgradeRequest();
  } else if (state.as<ConnectionState::Failed>() || state.as<ConnectionState::Cancelled>()) {
    std::weak_ptr<WSEngine> weak = weak_from_this();
    framer_->afterReceived([weak, state] {
      if (auto self = weak.lock()) self->connectionEnded(state);
    });
  } else if (failed_) {
    return;
  } else if (const auto* viability = state.as<ConnectionState::Viability>()) {
    report(WebSocketEvent::ViabilityChanged{viability->isViable});
  } else if (const auto* better = state.as<ConnectionState::ShouldReconnect>()) {
    report(WebSocketEvent::ReconnectSuggested{better->betterPathAvailable});
  }
  // Waiting: the transport decides whether a failure follows.
}

void WSEngine::sendUpgradeRequest() {
  if (failed_) return;
  std::optional<platform::URLRequest> request;
  {
    std::lock_guard lock(mutex_);
    request = request_;
  }
  if (!request) return;
  // What an earlier handshake left unread must not be taken for this answer.
  httpHandler_->reset();
  secKeyValue_ = HTTPWSHeader::generateWebSocketKey();
  auto upgrade = HTTPWSHeader::createUpgrade(*request, framer_->supportsCompression(), secKeyValue_);
  auto bytes = httpHandler_->convert(upgrade);
  if (bytes.empty() || secKeyValue_.empty()) {
    // Nothing the server could answer: end now rather than wait for an answer that cannot come.
    fail(nullptr);
    return;
  }
  transport_->write(std::move(bytes), nullptr);
}

void WSEngine::receive(const platform::Bytes& data) {
  if (failed_) return;
  if (didUpgrade_) {
    framer_->add(data);
    return;
  }
  const int64_t offset = httpHandler_->parse(data);
  // A refused answer also ends at an offset: its body is no frame and goes nowhere.
  if (offset <= 0 || failed_ || !didUpgrade_) return;
  if (static_cast<size_t>(offset) < data.size()) {
    framer_->add(platform::Bytes(data.begin() + offset, data.end()));
  }
}

void WSEngine::connectionEnded(const ConnectionState& state) {
  if (state.as<ConnectionState::Cancelled>()) {
    report(WebSocketEvent::Cancelled{});
    return;
  }
  // After the server's close frame the end of the stream is the close handshake's own end.
  if (closeReceived_) return;
  fail(state.as<ConnectionState::Failed>()->error);
}

// The upgrade answer, from inside the HTTP handler's parse (transport's queue).

void WSEngine::didReceiveHTTP(const HTTPEvent& event) {
  if (failed_) return;
  if (const auto* failure = event.as<HTTPEvent::Failure>()) {
    fail(failure->error);
    return;
  }
  upgradeAccepted(event.as<HTTPEvent::Success>()->headers);
}

void WSEngine::upgradeAccepted(const HeaderFields& headers) {
  if (auto error = headerChecker_->validate(headers, secKeyValue_)) {
    fail(std::move(error));
    return;
  }
  // The compressor and the codec's RSV1 rule are settled before the first frame can be sent or read.
  if (compressionHandler_) {
    std::unique_lock lock(compressionMutex_);
    compressionHandler_->load(headers);
    framer_->updateCompressionNegotiated(compressionHandler_->isNegotiated());
  }
  setOpen(true);

  std::optional<platform::URL> url;
  {
    std::lock_guard lock(mutex_);
    if (request_) url = request_->url();
  }
  if (url) {
    auto storage = platform::HTTPCookieStorage::sharedHTTPCookieStorage();
    for (const auto& cookie : platform::HTTPCookie::cookiesWithResponseHeaderFields(headers, *url)) {
      storage->setCookie(cookie);
    }
  }
  report(WebSocketEvent::Connected{headers});
}

// Frames and messages, on the codec's queue.

void WSEngine::frameProcessed(FrameEvent event) {
  if (failed_) return;
  if (const auto* error = event.as<FrameEvent::Error>()) {
    fail(error->error);
    return;
  }
  frameHandler_.add(std::move(event.as<FrameEvent::Frame>()->frame));
}

DecompressResult WSEngine::decompress(const platform::Bytes& data, bool isFinal) {
  if (!compressionHandler_) return WSError(ErrorType::compressionError, "no compression handler", 1007);
  std::shared_lock lock(compressionMutex_);
  return compressionHandler_->decompress(data, isFinal);
}

void WSEngine::didForm(FrameCollector::Event event) {
  using Event = FrameCollector::Event;
  if (failed_) return;
  if (auto* text = event.as<Event::Text>()) {
    report(WebSocketEvent::Text{std::move(text->string)});
  } else if (auto* binary = event.as<Event::Binary>()) {
    report(WebSocketEvent::Binary{std::move(binary->data)});
  } else if (auto* pong = event.as<Event::Pong>()) {
    report(WebSocketEvent::Pong{std::move(pong->data)});
  } else if (const auto* ping = event.as<Event::Ping>()) {
    report(WebSocketEvent::Ping{ping->data});
    if (respondToPingWithPong()) writeData(ping->data.value_or(platform::Bytes{}), FrameOpCode::pong, nullptr);
  } else if (const auto* error = event.as<Event::Error>()) {
    fail(error->error);
  } else if (const auto* closed = event.as<Event::Closed>()) {
    closeReceived_ = true;
    report(WebSocketEvent::Disconnected{closed->reason, closed->code});
    stop(closed->code);
  }
}

}  // namespace qor
