#include "common/websocket/security/FoundationSecurityError.h"

namespace qor {

platform::Error FoundationSecurityError::bridged() const {
  return platform::Error::make("qor.FoundationSecurityError", static_cast<int64_t>(kind_));
}

}  // namespace qor
