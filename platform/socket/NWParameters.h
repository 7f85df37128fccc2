// How a connection is made: its endpoint, TCP options and optional TLS options.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Queue.h"
#include "platform/security/SecTrust.h"

namespace platform {

struct NWEndpoint {
  std::string host;
  uint16_t port = 0;
};

struct NWProtocolTCPOptions {
  // Seconds the connection may take to become ready (TCP connect and TLS handshake); 0: no limit.
  int64_t connectionTimeout = 0;
};

struct NWProtocolTLSOptions {
  using Complete = std::function<void(bool)>;
  // Decides the server's trust during the handshake, on `verifyQueue`: `complete(true)` accepts,
  // `complete(false)` fails the handshake. Without a block the standard evaluation with an SSL
  // policy for the endpoint's host name decides.
  std::function<void(std::shared_ptr<SecTrust>, Complete)> verifyBlock;
  std::shared_ptr<Queue> verifyQueue;
};

struct NWParameters {
  std::optional<NWProtocolTLSOptions> tls;  // none: plain TCP
  NWProtocolTCPOptions tcp;
};

}  // namespace platform
