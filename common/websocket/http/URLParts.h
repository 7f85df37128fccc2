// Host, port and TLS use of a WebSocket URL, as the transports connect to it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/URL.h"

namespace qor {

struct URLParts {
  // The URL's port, else 443 for a TLS scheme and 80 for any other.
  int64_t port = 0;
  // As the URL reports it (an IPv6 literal without brackets).
  std::string host;
  bool isTLS = false;

  bool operator==(const URLParts&) const = default;
};

// None when the URL has no host.
std::optional<URLParts> getParts(const platform::URL& url);
// "wss" and "https". Schemes compare without regard to case (RFC 3986, 3.1), so "WSS" is TLS too.
bool isTLSScheme(const platform::URL& url);

}  // namespace qor
