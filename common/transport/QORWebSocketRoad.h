// The WebSocket road of the networking utilities, behind an interface so that the transport choice
// stays in one place while the WebSocket channel lives elsewhere. The channel installs its road with
// QORNetworkingUtils::setWebSocketRoad; it then owns the whole road: preparing the channel, sending
// the request's body as one text message, setting `hasWebsocketError` and sending the request again
// with `useHttps` when the road fails. Called on the main queue; its completion runs there too.
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
