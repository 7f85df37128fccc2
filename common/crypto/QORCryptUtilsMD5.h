// MD5 digest, through the platform's digest. Stateless; any thread.
#pragma once

#include "platform/Bytes.h"

namespace qor {

class QORCryptUtilsMD5 {
 public:
  QORCryptUtilsMD5() = delete;

  // The 16-byte digest of the bytes; nil digests as the empty input. The whole length counts,
  // also past 4 GiB.
  static platform::Bytes encode(const platform::OptBytes& data);
};

}  // namespace qor
