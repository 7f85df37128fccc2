// The process-wide flag behind QORNetworkingUtils::hasWebsocketError. Atomic, because the road is
// chosen on whichever queue a request is sent from while the WebSocket road sets it on the main
// queue. Tests clear it between cases; the system itself only ever sets it.
#pragma once

#include <atomic>

namespace qor::internal {

std::atomic<bool>& websocketFailureFlag();

}  // namespace qor::internal
