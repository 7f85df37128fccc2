#include "common/crypto/QORCryptUtilsMD5.h"

#include "platform/Digest.h"

namespace qor {

platform::Bytes QORCryptUtilsMD5::encode(const platform::OptBytes& data) {
  return data ? platform::md5(*data) : platform::md5(platform::Bytes{});
}

}  // namespace qor
