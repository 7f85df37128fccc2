// The one door between the core services and the WebSocket stack: owns one WebSocket (made on first
// use for the request it was created with, always on a WSEngine), keeps a connected flag, turns the
// socket's events into delegate messages with plain platform values, and reconnects on request.
//
// Lives on the main queue: its methods are called there and its delegate (held weakly) hears from
// it there, because the socket delivers its events on the main queue.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/websocket/AnyError.h"
#include "common/websocket/adapter/QOREngineWebSocketDelegate.h"
#include "common/websocket/client/WebSocket.h"
#include "platform/URLRequest.h"

namespace qor {

class QOREngineWebSocket : public WebSocketDelegate, public std::enable_shared_from_this<QOREngineWebSocket> {
 public:
  static std::shared_ptr<QOREngineWebSocket> create(platform::URLRequest request);

  virtual std::shared_ptr<QOREngineWebSocketDelegate> delegate() const { return delegate_.lock(); }
  virtual void setDelegate(std::weak_ptr<QOREngineWebSocketDelegate> delegate) { delegate_ = std::move(delegate); }
  // True from an accepted upgrade until the next close, error or cancellation.
  virtual bool isConnected() const { return isConnected_; }
  // Made on first use (never by isConnected), with the adapter as its delegate.
  virtual std::shared_ptr<WebSocket> socket();

  virtual void connect();
  // On a connected adapter: closes with 1000 and connects again once the connection is cancelled;
  // what the old connection reports on its way out (its close, an error) is not passed on. Otherwise
  // the same as connect.
  virtual void reconnect();
  virtual void disconnect();
  // One text frame; nothing is reported for it.
  virtual void sendWithString(const std::string& text);

  const platform::URLRequest& urlRequest() const { return urlRequest_; }

  void didReceive(const WebSocketEvent& event, const std::shared_ptr<WebSocket>& client) override;

  // The error object the delegate gets: the stack's own errors with domain "QORCommon.<Type>", code 1
  // for a WSError and the case position for an enumeration, and nothing else; errors of the
  // platform's network stack as they came.
  static platform::Error errorObject(const AnyError& error);

 protected:
  explicit QOREngineWebSocket(platform::URLRequest request) : urlRequest_(std::move(request)) {}

 private:
  std::weak_ptr<QOREngineWebSocketDelegate> delegate_;
  bool isConnected_ = false;
  bool isShouldReconnect_ = false;
  const platform::URLRequest urlRequest_;
  std::shared_ptr<WebSocket> socket_;
};

// The name the WebSocket stack itself uses.
using EngineWebSocketAdapter = QOREngineWebSocket;

}  // namespace qor
