#include "common/websocket/adapter/QOREngineWebSocket.h"

#include <string_view>

#include "common/websocket/security/FoundationSecurity.h"

namespace qor {

namespace {

// The module that holds the stack's error types, as the platform's bridging names it.
constexpr std::string_view kModuleName = "QORCommon";
// How our own `bridged()` prefixes the type name.
constexpr std::string_view kBridgedPrefix = "qor.";

platform::Json headerObject(const HeaderFields& headers) {
  platform::Json object = platform::Json::object();
  for (const auto& [name, value] : headers) object[name] = value;
  return object;
}

}  // namespace

std::shared_ptr<QOREngineWebSocket> QOREngineWebSocket::create(platform::URLRequest request) {
  return std::shared_ptr<QOREngineWebSocket>(new QOREngineWebSocket(std::move(request)));
}

std::shared_ptr<WebSocket> QOREngineWebSocket::socket() {
  if (!socket_) {
    socket_ = WebSocket::create(urlRequest_, std::make_shared<FoundationSecurity>(false), nullptr, true);
    socket_->setDelegate(weak_from_this());
  }
  return socket_;
}

void QOREngineWebSocket::connect() { socket()->connect(); }

void QOREngineWebSocket::reconnect() {
  if (isConnected()) {
    isShouldReconnect_ = true;
    disconnect();
  } else {
    connect();
  }
}

void QOREngineWebSocket::disconnect() { socket()->disconnect(rawCode(CloseCode::normal)); }

void QOREngineWebSocket::sendWithString(const std::string& text) { socket()->writeString(text); }

platform::Error QOREngineWebSocket::errorObject(const AnyError& error) {
  if (const auto* platformError = dynamic_cast<const PlatformError*>(&error)) return platformError->error();
  platform::Error bridged = error.bridged();
  std::string_view domain = bridged.domain;
  if (domain.substr(0, kBridgedPrefix.size()) == kBridgedPrefix) domain.remove_prefix(kBridgedPrefix.size());
  return platform::Error::make(std::string(kModuleName) + "." + std::string(domain), bridged.code);
}

void QOREngineWebSocket::didReceive(const WebSocketEvent& event, const std::shared_ptr<WebSocket>&) {
  // Held for the call: a delegate may let the adapter go from inside its message.
  auto self = shared_from_this();
  auto d = [this] { return delegate(); };
  if (const auto* connected = event.as<WebSocketEvent::Connected>()) {
    isConnected_ = true;
    if (auto target = d()) target->engineWebSocketDidConnectWithHeaders(self, headerObject(connected->headers));
  } else if (const auto* disconnected = event.as<WebSocketEvent::Disconnected>()) {
    isConnected_ = false;
    // The answer to the close a reconnection sent belongs to the connection being replaced.
    if (isShouldReconnect_) return;
    if (auto target = d()) target->engineWebSocketDidDisconnectWithReason(self, disconnected->reason, disconnected->code);
  } else if (const auto* text = event.as<WebSocketEvent::Text>()) {
    if (auto target = d()) target->engineWebSocketDidReceiveText(self, text->string);
  } else if (const auto* binary = event.as<WebSocketEvent::Binary>()) {
    if (auto target = d()) target->engineWebSocketDidReceiveData(self, binary->data);
  } else if (const auto* failure = event.as<WebSocketEvent::Error>()) {
    isConnected_ = false;
    if (isShouldReconnect_) return;
    std::optional<platform::Error> error;
    if (failure->error) error = errorObject(*failure->error);
    if (auto target = d()) target->engineWebSocketDidReceiveError(self, error);
  } else if (event.as<WebSocketEvent::Cancelled>()) {
    isConnected_ = false;
    if (isShouldReconnect_) {
      connect();
      isShouldReconnect_ = false;
      return;
    }
    if (auto target = d()) target->engineWebSocketDidCancel(self);
  }
  // Pings, pongs, viability and better paths are not passed on.
}

}  // namespace qor
