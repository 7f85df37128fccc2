// Maps the code of a transport error (1000 plus the transport's own code) to the status an action
// reports. Stateless.
#pragma once

#include <cstdint>

#include "common/actions/QORStatus.h"

namespace qor {

class QORErrorParser {
 public:
  // 17 -> 44, -9 (not connected) -> 20, -1 (timed out) -> 60, anything else -> 0.
  QORStatus parseErrorCode(int64_t errorCode) const;
};

}  // namespace qor
