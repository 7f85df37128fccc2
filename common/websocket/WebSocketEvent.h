// What a socket delivers to its owner. One case type per event; `value.index()` is the case position.
#pragma once

#include <cstdint>
#include <string>

#include "common/websocket/AnyError.h"
#include "common/websocket/HeaderFields.h"
#include "common/websocket/VariantEvent.h"
#include "platform/Bytes.h"

namespace qor {

struct WebSocketEventCases {
  // The upgrade was accepted; the answer's header fields.
  struct Connected { HeaderFields headers; };
  // The server closed the connection with this close frame.
  struct Disconnected { std::string reason; uint16_t code = 0; };
  struct Text { std::string string; };
  struct Binary { platform::Bytes data; };
  struct Pong { platform::OptBytes data; };
  struct Ping { platform::OptBytes data; };
  // The error as the failing part made it; empty when the transport gave none.
  struct Error { ErrorPtr error; };
  struct ViabilityChanged { bool isViable = false; };
  struct ReconnectSuggested { bool betterPathAvailable = false; };
  // The transport connection was closed for good.
  struct Cancelled {};
};

struct WebSocketEvent
    : WebSocketEventCases,
      VariantEvent<WebSocketEventCases::Connected, WebSocketEventCases::Disconnected, WebSocketEventCases::Text,
                   WebSocketEventCases::Binary, WebSocketEventCases::Pong, WebSocketEventCases::Ping,
                   WebSocketEventCases::Error, WebSocketEventCases::ViabilityChanged,
                   WebSocketEventCases::ReconnectSuggested, WebSocketEventCases::Cancelled> {
  using VariantEvent::VariantEvent;
};

}  // namespace qor
