#include "common/crypto/QORCryptUtilsSymmetric.h"

#include <cryptopp/aes.h>
#include <cryptopp/gcm.h>

#include "common/crypto/internal/CryptoGuard.h"
#include "common/crypto/internal/LibraryKeys.h"
#include "platform/Random.h"

namespace qor {
namespace {

constexpr size_t kKeySize = 16;
constexpr size_t kIVSize = 16;
constexpr size_t kTagSize = 16;

// The text Crypto++'s decryption filter raises for a tag that does not verify.
constexpr const char* kTagMismatch = "HashVerificationFilter: message hash or MAC not valid";

bool usable(const std::shared_ptr<QORSecretKey>& key, const platform::OptBytes& iv) {
  return key && key->data() && iv;
}

// The key's cipher of the direction, ready for a message under the IV: keyed on its first use,
// only resynchronised after that. The caller holds the holder's mutex.
template <class Cipher>
Cipher& cipherFor(std::optional<Cipher>& kept, const platform::Bytes& key, const platform::Bytes& iv) {
  if (kept) {
    kept->Resynchronize(iv.data(), static_cast<int>(iv.size()));
    return *kept;
  }
  kept.emplace();
  try {
    kept->SetKeyWithIV(key.data(), key.size(), iv.data(), iv.size());
  } catch (...) {
    kept.reset();  // a key the cipher refuses is refused again on every call
    throw;
  }
  return *kept;
}

}  // namespace

std::shared_ptr<QORSecretKey> QORCryptUtilsSymmetric::generateSecretKey() {
  auto bytes = platform::secureRandomBytes(kKeySize);
  if (!bytes) return nullptr;
  return QORSecretKey::create(std::move(bytes), 0);
}

platform::OptBytes QORCryptUtilsSymmetric::generateIV() { return platform::secureRandomBytes(kIVSize); }

std::shared_ptr<QORSecretKey> QORCryptUtilsSymmetric::restoreKeyFromData(platform::OptBytes data) {
  return QORSecretKey::create(std::move(data), 0);
}

// The key's kept cipher is driven directly, without a filter chain: the output is sized once and the
// tag is written (or checked) in place.
platform::OptBytes QORCryptUtilsSymmetric::encryptData(const platform::OptBytes& data,
                                                       const std::shared_ptr<QORSecretKey>& secretKey,
                                                       const platform::OptBytes& iv) {
  if (!data || !usable(secretKey, iv)) return std::nullopt;
  return internal::guardCrypto([&]() -> platform::OptBytes {
    const auto kept = internal::aesGcmKeyOf(*secretKey);
    std::lock_guard lock(kept->mutex);
    auto& cipher = cipherFor(kept->encryption, *secretKey->data(), *iv);
    const size_t size = data->size();
    platform::Bytes out(size + kTagSize);
    if (size > 0) cipher.ProcessData(out.data(), data->data(), size);
    cipher.TruncatedFinal(out.data() + size, kTagSize);
    return out;
  });
}

platform::OptBytes QORCryptUtilsSymmetric::decryptData(const platform::OptBytes& data,
                                                       const std::shared_ptr<QORSecretKey>& secretKey,
                                                       const platform::OptBytes& iv) {
  if (!data || data->size() < kTagSize || !usable(secretKey, iv)) return std::nullopt;
  // The plaintext is written before the tag is checked; it is wiped when the tag fails, so no
  // unverified plaintext outlives the call.
  const size_t size = data->size() - kTagSize;
  platform::Bytes out(size);
  auto result = internal::guardCrypto([&]() -> platform::OptBytes {
    const auto kept = internal::aesGcmKeyOf(*secretKey);
    std::lock_guard lock(kept->mutex);
    auto& cipher = cipherFor(kept->decryption, *secretKey->data(), *iv);
    if (size > 0) cipher.ProcessData(out.data(), data->data(), size);
    if (!cipher.TruncatedVerify(data->data() + size, kTagSize)) {
      QORCryptUtils::logCryptoPPException(kTagMismatch);
      return std::nullopt;
    }
    return std::move(out);
  });
  if (!result) platform::secureWipe(out);
  return result;
}

}  // namespace qor
