// The client's side of the opening handshake (RFC 6455, section 4.1): the key and the upgrade
// request. Needs only the secure random source and the shared cookie store, both thread-safe.
#pragma once

#include <string>

#include "platform/URLRequest.h"

namespace qor {

class HTTPWSHeader {
 public:
  // Base64 of 16 random lower-case letters: 24 characters ending in "=="; empty when the random
  // source fails.
  static std::string generateWebSocketKey();

  // A copy of the request with the upgrade fields set (Origin unless the caller set one, Upgrade,
  // Connection, version, key, the stored cookies for the URL, the deflate offer when asked for,
  // Host). A request without a URL or host comes back unchanged.
  static platform::URLRequest createUpgrade(const platform::URLRequest& request, bool supportsCompression,
                                            const std::string& secKeyValue);
};

}  // namespace qor
