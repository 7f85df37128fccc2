#include "platform/Random.h"

#include <pthread.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include <cryptopp/drbg.h>
#include <cryptopp/osrng.h>
#include <cryptopp/sha.h>

namespace platform {
namespace {

constexpr size_t kEntropySize = 32;
constexpr size_t kNonceSize = 16;

using Generator = CryptoPP::Hash_DRBG<CryptoPP::SHA256, 128 / 8, 440 / 8>;

// One generator for the process (NIST SP 800-90A Hash_DRBG over SHA-256), instantiated from the
// kernel on first use, so that a draw costs a few hashes instead of a read of the random device.
// Its output depends on its state alone, so a forked child reseeds its copy from the kernel before
// its first draw: parent and child never continue the same stream.
class ProcessGenerator {
 public:
  static ProcessGenerator& instance() {
    static auto* generator = new ProcessGenerator();  // never destroyed: a draw during exit stays safe
    return *generator;
  }

  bool fill(uint8_t* out, size_t count) noexcept {
    std::lock_guard lock(mutex_);
    try {
      if (!generator_) {
        CryptoPP::SecByteBlock seed(kEntropySize + kNonceSize);
        CryptoPP::OS_GenerateRandomBlock(/*blocking=*/false, seed, seed.size());
        generator_ = std::make_unique<Generator>(seed.data(), kEntropySize, seed.data() + kEntropySize, kNonceSize);
      } else if (!seeded_) {
        CryptoPP::SecByteBlock seed(kEntropySize);
        CryptoPP::OS_GenerateRandomBlock(/*blocking=*/false, seed, seed.size());
        generator_->IncorporateEntropy(seed, seed.size());
      }
      seeded_ = true;
      while (count > 0) {
        const size_t part = std::min<size_t>(count, generator_->MaxBytesPerRequest());
        generator_->GenerateBlock(out, part);
        out += part;
        count -= part;
      }
      return true;
    } catch (...) {
      return false;
    }
  }

 private:
  ProcessGenerator() {
    // The lock is held across fork, so the child never copies the generator halfway through a draw, nor a
    // mutex that no thread of its own will ever release.
    pthread_atfork([] { instance().mutex_.lock(); },
                   [] { instance().mutex_.unlock(); },
                   [] {
                     instance().seeded_ = false;
                     instance().mutex_.unlock();
                   });
  }

  std::mutex mutex_;
  std::unique_ptr<Generator> generator_;
  bool seeded_ = false;  // false in a forked child until it reseeds
};

}  // namespace

bool secureRandomFill(uint8_t* out, size_t count) noexcept {
  if (count == 0) return true;
  if (ProcessGenerator::instance().fill(out, count)) return true;
  std::memset(out, 0, count);
  return false;
}

OptBytes secureRandomBytes(size_t count) {
  Bytes out(count);
  if (!secureRandomFill(out.data(), out.size())) return std::nullopt;
  return out;
}

}  // namespace platform
