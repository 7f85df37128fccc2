// The first receiver of a socket's events, on the socket's callback queue. Held weakly.
#pragma once

#include <memory>

#include "common/websocket/WebSocketEvent.h"

namespace qor {

class WebSocket;

class WebSocketDelegate {
 public:
  virtual ~WebSocketDelegate() = default;
  virtual void didReceive(const WebSocketEvent& event, const std::shared_ptr<WebSocket>& client) = 0;
};

}  // namespace qor
