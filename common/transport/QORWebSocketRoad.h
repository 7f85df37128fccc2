// The WebSocket road of the networking utilities, behind an interface so that the transport choice
// stays in one place while the road itself (QORWebSocketChannelRoad) lives with its channel. A road
// owns the whole way: preparing the channel, sending the request's body as one text message,
// setting `hasWebsocketError` and sending the request again with `useHttps` when the road fails.
// Its completion runs on the main queue. Tests may install another road with
// QORNetworkingUtils::setWebSocketRoad.
#pragma once

#include <functional>
#include <optional>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/URLRequest.h"

namespace qor {

// Answer bytes (or nullopt) and an error (nullopt on success).
using QORNetworkingCompletion = std::function<void(platform::OptBytes data, std::optional<platform::Error> error)>;

class QORWebSocketRoad {
 public:
  virtual ~QORWebSocketRoad() = default;
  virtual void useWebSocket(const platform::URLRequest& request, bool shouldReconnect,
                            QORNetworkingCompletion completion) = 0;
};

}  // namespace qor
