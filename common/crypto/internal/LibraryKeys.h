// The crypto library's forms of a key (parsed RSA keys, keyed AES-GCM ciphers), kept inside the
// QORSecretKey they were made from and wiped with it, and the process-wide memory of which private
// keys passed validation.
//
// Level-2 validation of an RSA private key (primality of its factors) costs several times the
// decryption itself, and the flows restore the same private key from storage as a new object for
// every use. So a private key is validated once per distinct key in the process: the SHA-256
// digests of the DER bytes of keys that passed are remembered in a small bounded set (digests
// only, no key material), the least recently used leaving first: the client's key, opened on every
// authorization, stays while a new storage key comes with each one. A key that fails is remembered nowhere: it is decoded, validated and
// logged again on every call. Results are exactly those of validating on every call.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <cryptopp/aes.h>
#include <cryptopp/filters.h>
#include <cryptopp/gcm.h>
#include <cryptopp/rsa.h>

#include "common/crypto/QORSecretKey.h"

namespace qor::internal {

// Crypto++ reads a pointer even for zero bytes; an empty vector may have none.
inline const uint8_t* bytesOrDummy(const platform::Bytes& bytes) {
  static const uint8_t kDummy = 0;
  return bytes.empty() ? &kDummy : bytes.data();
}

// Decodes DER into a library key; throws what the library throws.
template <class Key>
void loadKey(Key& key, const platform::Bytes& der) {
  CryptoPP::ArraySource source(bytesOrDummy(der), der.size(), true);
  key.Load(source);
}

class LibraryKey {
 public:
  virtual ~LibraryKey() = default;
};

struct RsaPublicLibraryKey final : LibraryKey {
  CryptoPP::RSAES_PKCS1v15_Encryptor encryptor;
};

struct RsaPrivateLibraryKey final : LibraryKey {
  CryptoPP::RSAES_PKCS1v15_Decryptor decryptor;
};

// AES-GCM ciphers keyed with the key's bytes, one per direction, each made on its first use. A
// cipher carries the state of one message, so a caller holds `mutex` from keying or resynchronising
// it until the message is done.
struct AesGcmLibraryKey final : LibraryKey {
  std::mutex mutex;
  std::optional<CryptoPP::GCM<CryptoPP::AES>::Encryption> encryption;
  std::optional<CryptoPP::GCM<CryptoPP::AES>::Decryption> decryption;
};

// The key's AES-GCM holder, made empty on the first call for the object, then kept.
std::shared_ptr<AesGcmLibraryKey> aesGcmKeyOf(const QORSecretKey& key);

// The key's bytes decoded as an X.509 RSA public key and validated at level 0; made on the first
// call for the object, then kept. nullptr when validation fails (logged); decoding errors throw.
// The key must have bytes.
std::shared_ptr<const RsaPublicLibraryKey> rsaPublicKeyOf(const QORSecretKey& key);
// The same for a PKCS #8 RSA private key, validated at level 2 unless a key of the same bytes
// passed before in this process.
std::shared_ptr<const RsaPrivateLibraryKey> rsaPrivateKeyOf(const QORSecretKey& key,
                                                            CryptoPP::RandomNumberGenerator& rng);

// A bounded set of 32-byte digests; the least recently used entry leaves when a new one comes into
// a full set. Thread-safe.
class DigestSet {
 public:
  using Digest = std::array<uint8_t, 32>;
  explicit DigestSet(size_t capacity) : capacity_(capacity) {}

  // Whether the digest is there; a digest found becomes the most recently used.
  bool use(const Digest& digest);
  // Whether the digest is there, without counting as a use.
  bool contains(const Digest& digest) const;
  // Adds the digest as the most recently used (moves it there when it is there already).
  void insert(const Digest& digest);
  void clear();

 private:
  // Moves a present digest to the end; false when it is not there. The mutex is held.
  bool refreshLocked(const Digest& digest);

  const size_t capacity_;
  mutable std::mutex mutex_;
  std::vector<Digest> entries_;  // least recently used first
};

// How many digests of private keys that passed validation the process remembers.
inline constexpr size_t kValidatedPrivateKeys = 32;

DigestSet& validatedPrivateKeys();
// Level-2 validations run so far in the process.
uint64_t privateKeyValidationCount();
// RSA public keys decoded so far in the process (one per key object that is used).
uint64_t publicKeyDecodeCount();

}  // namespace qor::internal
