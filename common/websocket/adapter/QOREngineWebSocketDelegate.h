// What the adapter tells the core services, with plain platform values. Every method is optional
// (an empty default); the first argument is the adapter. Delivered on the main queue, one at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Json.h"

namespace qor {

class QOREngineWebSocket;

class QOREngineWebSocketDelegate {
 public:
  using Socket = std::shared_ptr<QOREngineWebSocket>;

  virtual ~QOREngineWebSocketDelegate() = default;

  // The server accepted the upgrade; its answer's header fields as an object of text to text.
  virtual void engineWebSocketDidConnectWithHeaders(const Socket&, const platform::Json& /*headers*/) {}
  // The connection was cancelled and no reconnection is pending.
  virtual void engineWebSocketDidCancel(const Socket&) {}
  // The server closed the connection with this close frame.
  virtual void engineWebSocketDidDisconnectWithReason(const Socket&, const std::string& /*reason*/,
                                                      uint16_t /*code*/) {}
  // A failure; nullopt when the transport gave no error.
  virtual void engineWebSocketDidReceiveError(const Socket&, const std::optional<platform::Error>& /*error*/) {}
  virtual void engineWebSocketDidReceiveText(const Socket&, const std::string& /*text*/) {}
  virtual void engineWebSocketDidReceiveData(const Socket&, const platform::Bytes& /*data*/) {}
};

// The name the WebSocket stack itself uses.
using EngineWebSocketAdapterDelegate = QOREngineWebSocketDelegate;

}  // namespace qor
