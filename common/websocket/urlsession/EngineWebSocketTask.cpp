#include "common/websocket/urlsession/EngineWebSocketTask.h"

#include <cerrno>

#include "common/websocket/framer/UTF8.h"
#include "common/websocket/http/HTTPConstants.h"
#include "common/websocket/http/HTTPUpgradeError.h"
#include "common/websocket/transport/TCPTransport.h"
#include "platform/http/URLError.h"
#include "platform/socket/NetworkErrors.h"

namespace qor {

using platform::URLSessionWebSocketMessage;

namespace {

// RFC 6455, section 7.4: 1005, 1006 and 1015 only report what happened and never go on the wire,
// and neither do the reserved and unassigned codes.
bool mayGoOnTheWire(int64_t code) {
  return code >= 1000 && code <= 4999 && receivedCloseCode(static_cast<uint16_t>(code)) == code;
}

// A close frame's payload holds at most 125 bytes: the code and 123 bytes of reason.
constexpr size_t kMaximumCloseReason = 123;

platform::Error notConnected() { return platform::notConnectedError(platform::kStreamErrorDomainPOSIX); }

platform::Error asPlatformError(const ErrorPtr& error) {
  if (!error) return platform::urlError(platform::kURLErrorNetworkConnectionLost);
  return error->bridged();
}

}  // namespace

void EngineWebSocketTask::registerWithURLSession() {
  static std::once_flag once;
  std::call_once(once, [] {
    platform::URLSession::registerWebSocketTaskFactory(
        [](std::shared_ptr<platform::URLSession> session, platform::URLRequest request, uint64_t identifier)
            -> std::shared_ptr<platform::URLSessionWebSocketTask> {
          return create(std::move(session), std::move(request), identifier);
        });
  });
}

std::shared_ptr<EngineWebSocketTask> EngineWebSocketTask::create(std::shared_ptr<platform::URLSession> session,
                                                                 platform::URLRequest request, uint64_t identifier) {
  if (!session) return nullptr;
  return std::shared_ptr<EngineWebSocketTask>(new EngineWebSocketTask(std::move(session), std::move(request), identifier));
}

EngineWebSocketTask::EngineWebSocketTask(std::shared_ptr<platform::URLSession> session, platform::URLRequest request,
                                         uint64_t identifier)
    : session_(std::move(session)),
      request_(std::move(request)),
      identifier_(identifier),
      engine_(WSEngine::create(TCPTransport::create())) {}

// Reporting, always through the session's delegate queue.

void EngineWebSocketTask::deliver(platform::Task block) { session_->addDelegateOperation(std::move(block)); }

void EngineWebSocketTask::deliverToDelegate(DelegateCall call) {
  deliver([weak = weak_from_this(), session = session_, call = std::move(call)] {
    auto self = weak.lock();
    if (!self) return;
    if (auto delegate = session->delegate()) call(*delegate, session, self);
  });
}

// State.

EngineWebSocketTask::State EngineWebSocketTask::state() const {
  std::lock_guard lock(mutex_);
  switch (phase_) {
    case Phase::suspended: return State::suspended;
    case Phase::connecting:
    case Phase::open: return State::running;
    case Phase::closing: return State::canceling;
    case Phase::completed: return State::completed;
  }
  return State::completed;
}

int64_t EngineWebSocketTask::closeCode() const {
  std::lock_guard lock(mutex_);
  return closeCode_;
}

platform::OptBytes EngineWebSocketTask::closeReason() const {
  std::lock_guard lock(mutex_);
  return closeReason_;
}

std::optional<platform::HTTPURLResponse> EngineWebSocketTask::response() const {
  std::lock_guard lock(mutex_);
  return response_;
}

// Starting and ending.

void EngineWebSocketTask::resume() {
  {
    std::lock_guard lock(mutex_);
    if (phase_ != Phase::suspended) return;
    if (!request_.url()) {
      const auto error = platform::urlError(platform::kURLErrorUnsupportedURL);
      finishLocked(false, error, error);
      return;
    }
    phase_ = Phase::connecting;
  }
  engine_->registerDelegate(weak_from_this());
  engine_->start(request_);
}

void EngineWebSocketTask::cancel() {
  std::lock_guard lock(mutex_);
  abortLocked();
}

void EngineWebSocketTask::abortLocked() {
  if (phase_ == Phase::completed) return;
  const bool started = phase_ != Phase::suspended;
  const auto error = platform::urlError(platform::kURLErrorCancelled);
  finishLocked(false, error, error);
  if (started) engine_->forceStop();
}

void EngineWebSocketTask::cancelWithCloseCode(int64_t closeCode, platform::OptBytes reason) {
  std::lock_guard lock(mutex_);
  if (phase_ != Phase::open || !mayGoOnTheWire(closeCode)) {
    abortLocked();
    return;
  }
  if (reason && reason->size() > kMaximumCloseReason) reason.reset();
  platform::Bytes payload{static_cast<uint8_t>(closeCode >> 8), static_cast<uint8_t>(closeCode & 0xFF)};
  if (reason) payload.insert(payload.end(), reason->begin(), reason->end());
  phase_ = Phase::closing;
  ourClose_ = {closeCode, std::move(reason)};
  // The engine ends the connection once the frame is out; the end arrives as `cancelled`.
  std::weak_ptr<EngineWebSocketTask> weak = weak_from_this();
  engine_->writeData(std::move(payload), FrameOpCode::connectionClose, [weak] {
    if (auto self = weak.lock()) self->engine_->forceStop();
  });
}

void EngineWebSocketTask::finishLocked(bool closed, std::optional<platform::Error> completionError,
                                       platform::Error pendingError) {
  phase_ = Phase::completed;
  endError_ = pendingError;
  if (closed) {
    deliverToDelegate([code = closeCode_, reason = closeReason_](auto& delegate, auto& session, auto& task) {
      delegate.urlSessionWebSocketTaskDidCloseWithCode(session, task, code, reason);
    });
  }
  for (auto& receiver : std::exchange(receivers_, {})) {
    deliver([receiver = std::move(receiver), pendingError] { receiver(std::nullopt, pendingError); });
  }
  auto failSend = [&](SendCompletion completion) {
    if (completion) deliver([completion = std::move(completion), pendingError] { completion(pendingError); });
  };
  for (auto& unsent : std::exchange(unsent_, {})) failSend(std::move(unsent.completion));
  for (auto& [id, completion] : std::exchange(inFlight_, {})) failSend(std::move(completion));
  for (auto& handler : std::exchange(pongHandlers_, {})) failSend(std::move(handler));
  unsentPings_ = 0;
  deliverToDelegate([completionError](auto& delegate, auto& session, auto& task) {
    delegate.urlSessionTaskDidCompleteWithError(session, task, completionError);
  });
}

void EngineWebSocketTask::failLocked(const ErrorPtr& error) {
  if (phase_ == Phase::completed) return;
  if (const auto* refused = errorAs<HTTPUpgradeError>(error); refused && refused->kind() == HTTPUpgradeError::Kind::notAnUpgrade) {
    response_ = platform::HTTPURLResponse{request_.url() ? request_.url()->absoluteString() : std::string(),
                                          static_cast<int>(refused->status()), {}};
  }
  const auto platformError = asPlatformError(error);
  finishLocked(false, platformError, platformError);
}

// Sending.

void EngineWebSocketTask::sendMessage(URLSessionWebSocketMessage message, SendCompletion completion) {
  std::lock_guard lock(mutex_);
  if (message.type == URLSessionWebSocketMessage::Type::string &&
      !isValidUTF8(reinterpret_cast<const uint8_t*>(message.string.data()), message.string.size())) {
    // A text frame must hold UTF-8 (RFC 6455, section 5.6); the peer would fail the connection.
    if (completion) {
      deliver([completion = std::move(completion)] {
        completion(platform::Error::make(platform::kStreamErrorDomainPOSIX, EINVAL,
                                         {{platform::kLocalizedDescriptionKey, "The text is not UTF-8."}}));
      });
    }
    return;
  }
  switch (phase_) {
    case Phase::suspended:
    case Phase::connecting:
      unsent_.push_back({std::move(message), std::move(completion)});
      return;
    case Phase::open:
      writeLocked(message, std::move(completion));
      return;
    case Phase::closing:
    case Phase::completed:
      if (completion) {
        deliver([completion = std::move(completion), error = endError_.value_or(notConnected())] { completion(error); });
      }
      return;
  }
}

void EngineWebSocketTask::writeLocked(const URLSessionWebSocketMessage& message, SendCompletion completion) {
  const uint64_t send = nextSend_++;
  inFlight_.emplace(send, std::move(completion));
  std::weak_ptr<EngineWebSocketTask> weak = weak_from_this();
  auto done = [weak, send] {
    if (auto self = weak.lock()) self->sendDone(send);
  };
  if (message.type == URLSessionWebSocketMessage::Type::string) {
    engine_->writeString(message.string, std::move(done));
  } else {
    engine_->writeData(message.data, FrameOpCode::binaryFrame, std::move(done));
  }
}

void EngineWebSocketTask::sendDone(uint64_t send) {
  std::lock_guard lock(mutex_);
  auto found = inFlight_.find(send);
  if (found == inFlight_.end()) return;  // the task ended first and has answered it
  if (auto completion = std::move(found->second)) deliver([completion = std::move(completion)] { completion(std::nullopt); });
  inFlight_.erase(found);
}

void EngineWebSocketTask::sendPingWithPongReceiveHandler(PongReceiveHandler handler) {
  std::lock_guard lock(mutex_);
  switch (phase_) {
    case Phase::suspended:
    case Phase::connecting:
      pongHandlers_.push_back(std::move(handler));
      ++unsentPings_;
      return;
    case Phase::open:
      pongHandlers_.push_back(std::move(handler));
      engine_->writeData({}, FrameOpCode::ping, nullptr);
      return;
    case Phase::closing:
    case Phase::completed:
      if (handler) deliver([handler = std::move(handler), error = endError_.value_or(notConnected())] { handler(error); });
      return;
  }
}

// Receiving.

void EngineWebSocketTask::receiveMessageWithCompletionHandler(ReceiveCompletion completion) {
  if (!completion) return;
  std::lock_guard lock(mutex_);
  if (!received_.empty()) {
    deliver([completion = std::move(completion), message = std::move(received_.front())] { completion(message, std::nullopt); });
    received_.pop_front();
  } else if (phase_ == Phase::completed) {
    deliver([completion = std::move(completion), error = *endError_] { completion(std::nullopt, error); });
  } else {
    receivers_.push_back(std::move(completion));
  }
}

void EngineWebSocketTask::messageArrived(URLSessionWebSocketMessage message) {
  if (phase_ != Phase::open && phase_ != Phase::closing) return;
  if (receivers_.empty()) {
    received_.push_back(std::move(message));
    return;
  }
  deliver([receiver = std::move(receivers_.front()), message = std::move(message)] { receiver(message, std::nullopt); });
  receivers_.pop_front();
}

void EngineWebSocketTask::opened(const HeaderFields& headers) {
  if (phase_ != Phase::connecting) return;
  phase_ = Phase::open;
  response_ = platform::HTTPURLResponse{request_.url()->absoluteString(), kHTTPSwitchingProtocols,
                                        {headers.begin(), headers.end()}};
  deliverToDelegate([protocol = findHeaderField(headers, kHeaderWSProtocol)](auto& delegate, auto& session, auto& task) {
    delegate.urlSessionWebSocketTaskDidOpenWithProtocol(session, task, protocol);
  });
  // What was asked for before the upgrade goes out now, in its order, before anything asked later.
  for (auto& unsent : std::exchange(unsent_, {})) writeLocked(unsent.message, std::move(unsent.completion));
  for (; unsentPings_ > 0; --unsentPings_) engine_->writeData({}, FrameOpCode::ping, nullptr);
}

void EngineWebSocketTask::didReceive(WebSocketEvent event) {
  std::lock_guard lock(mutex_);
  if (const auto* connected = event.as<WebSocketEvent::Connected>()) {
    opened(connected->headers);
  } else if (auto* text = std::get_if<WebSocketEvent::Text>(&event.value)) {
    messageArrived(URLSessionWebSocketMessage::withString(std::move(text->string)));
  } else if (auto* binary = std::get_if<WebSocketEvent::Binary>(&event.value)) {
    messageArrived(URLSessionWebSocketMessage::withData(std::move(binary->data)));
  } else if (event.as<WebSocketEvent::Pong>()) {
    if (pongHandlers_.empty() || phase_ == Phase::completed) return;
    if (auto handler = std::move(pongHandlers_.front())) deliver([handler = std::move(handler)] { handler(std::nullopt); });
    pongHandlers_.pop_front();
  } else if (const auto* closed = event.as<WebSocketEvent::Disconnected>()) {
    // The server's close frame; the engine answers it and ends the connection.
    if (phase_ == Phase::completed) return;
    closeCode_ = closed->code;
    closeReason_ = closed->reason.empty() ? platform::OptBytes{} : platform::bytesFromString(closed->reason);
    finishLocked(true, std::nullopt, notConnected());
  } else if (const auto* error = event.as<WebSocketEvent::Error>()) {
    failLocked(error->error);
  } else if (event.as<WebSocketEvent::Cancelled>()) {
    if (phase_ == Phase::completed) return;
    if (ourClose_) {
      closeCode_ = ourClose_->first;
      closeReason_ = ourClose_->second;
      finishLocked(true, std::nullopt, notConnected());
    } else {
      failLocked(nullptr);
    }
  }
  // Pings are answered by the engine; viability and better paths do not concern the task.
}

}  // namespace qor
