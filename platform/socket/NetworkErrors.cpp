#include "platform/socket/NetworkErrors.h"

#include <cerrno>

namespace platform {

Error peerClosedError(const char* domain) {
  return Error::make(domain, ENOTCONN, {{kLocalizedDescriptionKey, "The peer closed the connection."}});
}

Error notConnectedError(const char* domain) {
  return Error::make(domain, ENOTCONN, {{kLocalizedDescriptionKey, "There is no connection."}});
}

}  // namespace platform
