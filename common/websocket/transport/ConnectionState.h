// What a transport reports to its client, one event at a time on the transport's serial queue.
#pragma once

#include <variant>

#include "common/websocket/AnyError.h"
#include "platform/Bytes.h"

namespace qor {

struct ConnectionState {
  // The connection is open (TLS included) and bytes can flow.
  struct Connected {};
  // The connection cannot be made now and waits for the network to change.
  struct Waiting {};
  // The connection ended because the transport was told to disconnect.
  struct Cancelled {};
  // The connection failed or cannot be started; the error says why (it may be empty).
  struct Failed { ErrorPtr error; };
  struct Viability { bool isViable = false; };
  struct ShouldReconnect { bool betterPathAvailable = false; };
  // A chunk of received bytes, in arrival order.
  struct Receive { platform::Bytes data; };

  using Value = std::variant<Connected, Waiting, Cancelled, Failed, Viability, ShouldReconnect, Receive>;

  template <class Case, class = std::enable_if_t<std::is_constructible_v<Value, Case>>>
  ConnectionState(Case c) : value(std::move(c)) {}

  template <class Case>
  const Case* as() const { return std::get_if<Case>(&value); }

  Value value;
};

}  // namespace qor
