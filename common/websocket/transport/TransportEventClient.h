// The client of a transport (the engine, the server connection). Called on the transport's serial
// queue, one event at a time, in the order the connection produces them.
#pragma once

#include "common/websocket/transport/ConnectionState.h"

namespace qor {

class TransportEventClient {
 public:
  virtual ~TransportEventClient() = default;
  virtual void connectionChanged(const ConnectionState& state) = 0;
};

}  // namespace qor
