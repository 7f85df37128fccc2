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
    CryptoPP::SecureWipeArray(next, size);  // no byte is handed out twice, nor kept once used
    available_ -= size;
  }
  std::string AlgorithmName() const override { return "platform secure random"; }

 private:
  static constexpr size_t kDirect = 64;

  static void draw(CryptoPP::byte* output, size_t size) {
    if (!platform::secureRandomFill(output, size)) throw CryptoPP::OS_RNG_Err("the secure random source");
  }

  CryptoPP::byte buffer_[256];
  size_t available_ = 0;
};

}  // namespace qor::internal
