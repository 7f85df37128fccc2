#include "common/websocket/transport/FoundationTransportError.h"

namespace qor {

platform::Error FoundationTransportError::bridged() const {
  return platform::Error::make("qor.FoundationTransportError", static_cast<int64_t>(kind_));
}

}  // namespace qor
