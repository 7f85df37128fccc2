// The receiver of everything an engine learns about its connection (in this system the front
// class). Held weakly by the engine; called on the engine's queues, one event at a time. The event
// is handed over by value, so a message's bytes can move on without being copied.
#pragma once

#include "common/websocket/WebSocketEvent.h"

namespace qor {

class EngineDelegate {
 public:
  virtual ~EngineDelegate() = default;
  virtual void didReceive(WebSocketEvent event) = 0;
};

}  // namespace qor
