// What a transport reports to its client, one event at a time on the transport's serial queue.
#pragma once

#include "common/websocket/AnyError.h"
#include "common/websocket/VariantEvent.h"
#include "platform/Bytes.h"

namespace qor {

struct ConnectionStateCases {
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
};

struct ConnectionState
    : ConnectionStateCases,
      VariantEvent<ConnectionStateCases::Connected, ConnectionStateCases::Waiting, ConnectionStateCases::Cancelled,
                   ConnectionStateCases::Failed, ConnectionStateCases::Viability,
                   ConnectionStateCases::ShouldReconnect, ConnectionStateCases::Receive> {
  using VariantEvent::VariantEvent;
};

}  // namespace qor
