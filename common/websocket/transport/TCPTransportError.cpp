#include "common/websocket/transport/TCPTransportError.h"

namespace qor {

platform::Error TCPTransportError::bridged() const {
  return platform::Error::make("qor.TCPTransportError", static_cast<int64_t>(kind_));
}

}  // namespace qor
