// RSA sealing and opening (PKCS #1 v1.5), RSA-2048 key generation, and ECDH over brainpoolP256r1.
// Stateless; any thread. Every failure (bad key bytes, a key failing validation, a wrong length, a
// padding or point that does not decode) gives nil.
//
// Key encodings: RSA public keys as X.509 SubjectPublicKeyInfo DER, RSA private keys as PKCS #8
// DER; EC public keys as SubjectPublicKeyInfo DER with the curve named by its OID and the point
// uncompressed (92 bytes), EC private keys as the raw 32-byte big-endian scalar.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/QORCommonExport.h"
#include "common/crypto/QORKeyPair.h"
#include "common/crypto/QORSecretKey.h"
#include "platform/Bytes.h"

namespace qor {

class QOR_COMMON_EXPORT QORCryptUtilsAsymmetric {
 public:
  QORCryptUtilsAsymmetric() = delete;

  // One block, as long as the modulus. A nil plaintext is sealed as the empty message; one longer
  // than the modulus bytes minus 11 gives nil.
  static platform::OptBytes encryptData(const platform::OptBytes& data, const std::shared_ptr<QORSecretKey>& publicKey);
  // Nil unless the ciphertext is exactly as long as the modulus and its padding decodes.
  static platform::OptBytes decryptData(const platform::OptBytes& data, const std::shared_ptr<QORSecretKey>& privateKey);

  // A new RSA-2048 key with public exponent 17.
  static std::shared_ptr<QORKeyPair> generateKeyPair();
  // A new brainpoolP256r1 key.
  static std::shared_ptr<QORKeyPair> generateKeyPairDh();
  // The first 16 bytes of the x-coordinate of the shared point, as a type-0 key; no key derivation.
  // Of a private key longer than 32 bytes only the first 32 count; a shorter one gives nil, and so
  // does a peer key that is not a valid point of brainpoolP256r1.
  static std::shared_ptr<QORSecretKey> generateSharedSecretWithPrivateKey(const std::shared_ptr<QORSecretKey>& privateKey,
                                                                          const std::shared_ptr<QORSecretKey>& publicKey);

  // A type-1 key over the Base64 decoding of the text; never nil, but its data is nil for nil or
  // for text that does not decode.
  static std::shared_ptr<QORSecretKey> restoreSecretKeyFromBase64String(const std::optional<std::string>& text);
  // A type-1 key over the bytes.
  static std::shared_ptr<QORSecretKey> restoreSecretKeyFromData(platform::OptBytes data);
};

}  // namespace qor
