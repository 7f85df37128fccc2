#include "common/crypto/QORCryptUtilsSymmetric.h"

#include <cryptopp/aes.h>
#include <cryptopp/filters.h>
#include <cryptopp/gcm.h>
#include <cryptopp/osrng.h>

#include "common/crypto/internal/CryptoGuard.h"

namespace qor {
namespace {

constexpr size_t kKeySize = 16;
constexpr size_t kIVSize = 16;
constexpr int kTagSize = 16;

platform::OptBytes randomBytes(size_t count) {
  return internal::guardCrypto([&]() -> platform::OptBytes {
    CryptoPP::AutoSeededRandomPool pool(/*blocking=*/false, internal::kRandomPoolSeedSize);
    platform::Bytes out(count);
    pool.GenerateBlock(out.data(), out.size());
    return out;
  });
}

bool usable(const std::shared_ptr<QORSecretKey>& key, const platform::OptBytes& iv) {
  return key && key->data() && iv;
}

}  // namespace

std::shared_ptr<QORSecretKey> QORCryptUtilsSymmetric::generateSecretKey() {
  auto bytes = randomBytes(kKeySize);
  if (!bytes) return nullptr;
  return QORSecretKey::create(std::move(bytes), 0);
}

platform::OptBytes QORCryptUtilsSymmetric::generateIV() { return randomBytes(kIVSize); }

std::shared_ptr<QORSecretKey> QORCryptUtilsSymmetric::restoreKeyFromData(platform::OptBytes data) {
  return QORSecretKey::create(std::move(data), 0);
}

platform::OptBytes QORCryptUtilsSymmetric::encryptData(const platform::OptBytes& data,
                                                       const std::shared_ptr<QORSecretKey>& secretKey,
                                                       const platform::OptBytes& iv) {
  if (!data || !usable(secretKey, iv)) return std::nullopt;
  return internal::guardCrypto([&]() -> platform::OptBytes {
    const platform::Bytes& key = *secretKey->data();
    CryptoPP::GCM<CryptoPP::AES>::Encryption cipher;
    cipher.SetKeyWithIV(key.data(), key.size(), iv->data(), iv->size());
    platform::Bytes out;
    out.reserve(data->size() + kTagSize);
    CryptoPP::ArraySource(data->data(), data->size(), true,
                          new CryptoPP::AuthenticatedEncryptionFilter(cipher, new CryptoPP::VectorSink(out),
                                                                      /*putAAD=*/false, kTagSize));
    return out;
  });
}

platform::OptBytes QORCryptUtilsSymmetric::decryptData(const platform::OptBytes& data,
                                                       const std::shared_ptr<QORSecretKey>& secretKey,
                                                       const platform::OptBytes& iv) {
  if (!data || data->size() < size_t(kTagSize) || !usable(secretKey, iv)) return std::nullopt;
  // The filter writes plaintext before it has checked the tag; what it wrote is wiped when the
  // tag fails, so no unverified plaintext outlives the call.
  platform::Bytes out;
  auto result = internal::guardCrypto([&]() -> platform::OptBytes {
    const platform::Bytes& key = *secretKey->data();
    CryptoPP::GCM<CryptoPP::AES>::Decryption cipher;
    cipher.SetKeyWithIV(key.data(), key.size(), iv->data(), iv->size());
    CryptoPP::AuthenticatedDecryptionFilter filter(cipher, new CryptoPP::VectorSink(out),
                                                   CryptoPP::AuthenticatedDecryptionFilter::DEFAULT_FLAGS, kTagSize);
    CryptoPP::ArraySource(data->data(), data->size(), true, new CryptoPP::Redirector(filter));
    if (!filter.GetLastResult()) return std::nullopt;
    return std::move(out);
  });
  if (!result) platform::secureWipe(out);
  return result;
}

}  // namespace qor
