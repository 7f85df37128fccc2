#include "common/websocket/http/URLParts.h"

#include <algorithm>

#include "common/websocket/http/HTTPConstants.h"

namespace qor {

bool isTLSScheme(const platform::URL& url) {
  return std::any_of(kTLSSchemes.begin(), kTLSSchemes.end(), [&](const char* s) { return url.scheme() == s; });
}

std::optional<URLParts> getParts(const platform::URL& url) {
  if (url.host().empty()) return std::nullopt;
  URLParts parts;
  parts.isTLS = isTLSScheme(url);
  parts.port = url.port().value_or(parts.isTLS ? 443 : 80);
  parts.host = url.host();
  return parts;
}

}  // namespace qor
