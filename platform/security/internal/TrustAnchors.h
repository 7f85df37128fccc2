// A verification store with the system's anchors and the test anchors of TrustStore.
#pragma once

#include "platform/security/internal/OpenSSLHandles.h"

namespace platform::detail {

X509StorePtr makeAnchorStore();

}  // namespace platform::detail
