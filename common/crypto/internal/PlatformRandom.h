// The platform's process-wide secure random source as a Crypto++ generator, for the library calls
// that need one (padding, blinding, key generation, validation). Made for one operation on its
// thread. Small draws come from a buffer filled by one call to the source: PKCS #1 v1.5 padding
// asks for every one of its ~200 bytes separately. A failing source throws, which the crypto guard
// turns into nil.
#pragma once

#include <cryptopp/cryptlib.h>
#include <cryptopp/misc.h>
#include <cryptopp/osrng.h>

#include <cstring>
#include <string>

#include "platform/Random.h"

namespace qor::internal {

class PlatformRandom final : public CryptoPP::RandomNumberGenerator {
 public:
  PlatformRandom() = default;
  ~PlatformRandom() override { CryptoPP::SecureWipeArray(buffer_, sizeof buffer_); }
  PlatformRandom(const PlatformRandom&) = delete;
  PlatformRandom& operator=(const PlatformRandom&) = delete;

  void GenerateBlock(CryptoPP::byte* output, size_t size) override {
    if (size > kDirect) {
      draw(output, size);
      return;
    }
    if (available_ < size) {
      draw(buffer_, sizeof buffer_);
      available_ = sizeof buffer_;
    }
    CryptoPP::byte* next = buffer_ + sizeof buffer_ - available_;
    std::memcpy(output, next, size);
    wipe(next, size);  // no byte is handed out twice, nor kept once used
    available_ -= size;
  }
  // The library draws four bytes for every value; padding asks for one in [1, 255] per byte, so
  // only the bytes the range needs are drawn. Still rejection sampling: uniform over [min, max].
  CryptoPP::word32 GenerateWord32(CryptoPP::word32 min, CryptoPP::word32 max) override {
    const CryptoPP::word32 range = max - min;
    const unsigned int bits = CryptoPP::BitPrecision(range);
    CryptoPP::word32 value;
    do {
      CryptoPP::byte drawn[4] = {};
      GenerateBlock(drawn, (bits + 7) / 8);
      value = CryptoPP::Crop(CryptoPP::word32(drawn[0]) | CryptoPP::word32(drawn[1]) << 8 |
                                 CryptoPP::word32(drawn[2]) << 16 | CryptoPP::word32(drawn[3]) << 24,
                             bits);
    } while (value > range);
    return value + min;
  }
  std::string AlgorithmName() const override { return "platform secure random"; }

 private:
  static constexpr size_t kDirect = 64;

  // The draws are a few bytes each: plain volatile stores cost less than the library's wipe,
  // which starts a string instruction for every call.
  static void wipe(CryptoPP::byte* bytes, size_t size) {
    volatile CryptoPP::byte* p = bytes;
    while (size-- > 0) *p++ = 0;
  }

  static void draw(CryptoPP::byte* output, size_t size) {
    if (!platform::secureRandomFill(output, size)) throw CryptoPP::OS_RNG_Err("the secure random source");
  }

  CryptoPP::byte buffer_[256];
  size_t available_ = 0;
};

}  // namespace qor::internal
