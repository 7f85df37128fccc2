// What a trust evaluation checks besides the chain: an SSL policy (server or client side, with an
// optional host name that the leaf must match) or the basic X.509 policy. Immutable.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/QORPlatformExport.h"

namespace platform {

class QOR_PLATFORM_EXPORT SecPolicy {
 public:
  static std::shared_ptr<SecPolicy> createSSL(bool server, std::optional<std::string> hostname);
  static std::shared_ptr<SecPolicy> createBasicX509();

  bool isSSL() const { return ssl_; }
  bool isServer() const { return server_; }
  const std::optional<std::string>& hostname() const { return hostname_; }

 private:
  SecPolicy(bool ssl, bool server, std::optional<std::string> hostname)
      : ssl_(ssl), server_(server), hostname_(std::move(hostname)) {}
  bool ssl_;
  bool server_;
  std::optional<std::string> hostname_;
};

}  // namespace platform
