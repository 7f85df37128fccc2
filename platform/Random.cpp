#include "platform/Random.h"

#include <cstring>

#include <cryptopp/osrng.h>

namespace platform {

bool secureRandomFill(uint8_t* out, size_t count) noexcept {
  try {
    CryptoPP::OS_GenerateRandomBlock(/*blocking=*/false, out, count);
    return true;
  } catch (...) {
    std::memset(out, 0, count);
    return false;
  }
}

OptBytes secureRandomBytes(size_t count) {
  Bytes out(count);
  if (!secureRandomFill(out.data(), out.size())) return std::nullopt;
  return out;
}

}  // namespace platform
