// What a socket delivers to its owner. One case type per event; `value.index()` is the case position.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "common/websocket/AnyError.h"
#include "common/websocket/HeaderFields.h"
#include "platform/Bytes.h"

namespace qor {

struct WebSocketEvent {
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

  using Value = std::variant<Connected, Disconnected, Text, Binary, Pong, Ping, Error, ViabilityChanged,
                             ReconnectSuggested, Cancelled>;

  template <class Case, class = std::enable_if_t<std::is_constructible_v<Value, Case>>>
  WebSocketEvent(Case c) : value(std::move(c)) {}

  template <class Case>
  const Case* as() const { return std::get_if<Case>(&value); }

  Value value;
};

}  // namespace qor
