#include "common/websocket/server/ServerConnection.h"

#include <cstdio>

#include "common/websocket/WSError.h"
#include "common/websocket/http/FoundationHTTPServerHandler.h"
#include "common/websocket/http/HTTPConstants.h"
#include "common/websocket/security/FoundationSecurity.h"
#include "platform/UUID.h"
#include "platform/http/HTTPMessage.h"

namespace qor {

namespace {

std::string describe(const AnyError& error) {
  if (const auto* ws = dynamic_cast<const WSError*>(&error)) {
    return std::string("WSError(type: ") + errorTypeName(ws->type()) + ", message: \"" + ws->message() +
           "\", code: " + std::to_string(ws->code()) + ")";
  }
  const auto bridged = error.bridged();
  return bridged.domain + " (" + std::to_string(bridged.code) + "): " + bridged.localizedDescription();
}

void printLine(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

// What a refused request gets: the client learns at once that no upgrade follows.
platform::Bytes badRequestAnswer() {
  auto answer = platform::HTTPMessage::response(400);
  answer.setHeaderFieldValue("Content-Length", "0");
  return answer.serializedMessage();
}

}  // namespace

std::shared_ptr<ServerConnection> ServerConnection::create(std::shared_ptr<platform::NWConnection> connection,
                                                           std::weak_ptr<ConnectionDelegate> delegate,
                                                           EndHandler ended) {
  auto self = std::shared_ptr<ServerConnection>(new ServerConnection(std::move(delegate), std::move(ended)));
  std::weak_ptr<ServerConnection> weak = self;
  self->httpHandler_->registerDelegate(weak);
  self->framer_->registerDelegate(weak);
  self->frameHandler_.setDelegate(weak);
  // Events that arrive before the transport is stored wait for this lock.
  std::lock_guard lock(self->mutex_);
  self->transport_ = TCPTransport::create(std::move(connection), weak);
  return self;
}

ServerConnection::ServerConnection(std::weak_ptr<ConnectionDelegate> delegate, EndHandler ended)
    : httpHandler_(FoundationHTTPServerHandler::create()),
      framer_(WSFramer::create(true)),
      id_(platform::uuidString()),
      delegate_(std::move(delegate)),
      ended_(std::move(ended)) {}

std::shared_ptr<TCPTransport> ServerConnection::transport() const {
  std::lock_guard lock(mutex_);
  return transport_;
}

ServerConnection::EventBlock ServerConnection::onEvent() const {
  std::lock_guard lock(mutex_);
  return onEvent_;
}

void ServerConnection::setOnEvent(EventBlock onEvent) {
  std::lock_guard lock(mutex_);
  onEvent_ = std::move(onEvent);
}

std::shared_ptr<ConnectionDelegate> ServerConnection::delegate() const {
  std::lock_guard lock(mutex_);
  return delegate_.lock();
}

void ServerConnection::setDelegate(std::weak_ptr<ConnectionDelegate> delegate) {
  std::lock_guard lock(mutex_);
  delegate_ = std::move(delegate);
}

void ServerConnection::reportOwn(const ConnectionEvent& event) {
  if (auto block = onEvent()) block(event);
}

void ServerConnection::report(const ServerEvent& event, const ConnectionEvent& own) {
  if (auto d = delegate()) d->didReceive(event);
  reportOwn(own);
}

void ServerConnection::ended() {
  EndHandler handler;
  {
    std::lock_guard lock(mutex_);
    handler = std::exchange(ended_, nullptr);
  }
  if (handler) handler(id_);
}

// Transport events, on the transport's queue.

void ServerConnection::connectionChanged(const ConnectionState& state) {
  if (const auto* received = state.as<ConnectionState::Receive>()) {
    if (didUpgrade_) {
      framer_->add(received->data);
      return;
    }
    const int64_t offset = httpHandler_->parse(received->data);
    // A client may send its first frame right behind the request head.
    if (didUpgrade_ && offset >= 0 && static_cast<size_t>(offset) < received->data.size()) {
      framer_->add(platform::Bytes(received->data.begin() + offset, received->data.end()));
    }
  } else if (state.as<ConnectionState::Failed>() || state.as<ConnectionState::Cancelled>()) {
    // After every frame already received, so a client's last message is not lost to its end.
    std::weak_ptr<ServerConnection> weak = weak_from_this();
    framer_->afterReceived([weak, state] {
      if (auto self = weak.lock()) self->connectionEnded(state);
    });
  }
}

void ServerConnection::connectionEnded(const ConnectionState& state) {
  if (const auto* failed = state.as<ConnectionState::Failed>()) {
    const WSError fallback(ErrorType::protocolError, "default error, no extra data", 0);
    printLine("server connection error: " + describe(failed->error ? *failed->error : fallback));
  } else {
    printLine("server connection cancelled!");
  }
  ended();
}

void ServerConnection::didReceiveHTTP(const HTTPEvent& event) {
  auto transport = this->transport();
  if (const auto* failure = event.as<HTTPEvent::Failure>()) {
    reportOwn(ConnectionEvent::Error{failure->error});
    if (transport) transport->write(badRequestAnswer(), nullptr);
    return;
  }
  const auto& fields = event.as<HTTPEvent::Success>()->headers;
  didUpgrade_ = true;
  const auto key = findHeaderField(fields, kHeaderWSKey).value_or("");
  auto answer = httpHandler_->createResponse(
      {{"Upgrade", "websocket"}, {"Connection", "Upgrade"}, {kHeaderWSAccept, FoundationSecurity::acceptValue(key)}});
  if (transport) transport->write(std::move(answer), nullptr);
  report(ServerEvent::Connected{shared_from_this(), fields}, ConnectionEvent::Connected{fields});
}

// Frames, on the codec's queue.

void ServerConnection::frameProcessed(FrameEvent event) {
  if (const auto* error = event.as<FrameEvent::Error>()) {
    reportOwn(ConnectionEvent::Error{error->error});
    return;
  }
  frameHandler_.add(std::move(event.as<FrameEvent::Frame>()->frame));
}

DecompressResult ServerConnection::decompress(const platform::Bytes&, bool) {
  // The server offers no compression, so its codec lets no compressed frame through.
  return WSError(ErrorType::compressionError, "no compression handler", rawCode(CloseCode::encoding));
}

void ServerConnection::didForm(FrameCollector::Event event) {
  using Event = FrameCollector::Event;
  auto self = shared_from_this();
  if (const auto* text = event.as<Event::Text>()) {
    report(ServerEvent::Text{self, text->string}, ConnectionEvent::Text{text->string});
  } else if (const auto* binary = event.as<Event::Binary>()) {
    report(ServerEvent::Binary{self, binary->data}, ConnectionEvent::Binary{binary->data});
  } else if (const auto* pong = event.as<Event::Pong>()) {
    report(ServerEvent::Pong{self, pong->data}, ConnectionEvent::Pong{pong->data});
  } else if (const auto* ping = event.as<Event::Ping>()) {
    report(ServerEvent::Ping{self, ping->data}, ConnectionEvent::Ping{ping->data});
  } else if (const auto* error = event.as<Event::Error>()) {
    reportOwn(ConnectionEvent::Error{error->error});
  } else if (const auto* closed = event.as<Event::Closed>()) {
    report(ServerEvent::Disconnected{self, closed->reason, closed->code},
           ConnectionEvent::Disconnected{closed->reason, closed->code});
  }
}

// Sending.

void ServerConnection::write(platform::Bytes data, FrameOpCode opcode) {
  auto frame = framer_->createWriteFrame(opcode, data, false);
  if (auto transport = this->transport()) transport->write(std::move(frame), nullptr);
}

}  // namespace qor
