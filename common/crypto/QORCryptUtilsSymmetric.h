// AES-GCM sealing and opening, random AES keys and IVs. Stateless; any thread. Every failure
// (bad key or IV length, a tag that does not verify, a failing random source) gives nil.
#pragma once

#include <memory>

#include "common/QORCommonExport.h"
#include "common/crypto/QORSecretKey.h"
#include "platform/Bytes.h"

namespace qor {

class QOR_COMMON_EXPORT QORCryptUtilsSymmetric {
 public:
  QORCryptUtilsSymmetric() = delete;

  // A type-0 key of 16 random bytes.
  static std::shared_ptr<QORSecretKey> generateSecretKey();
  // 16 random bytes.
  static platform::OptBytes generateIV();
  // A type-0 key over the bytes.
  static std::shared_ptr<QORSecretKey> restoreKeyFromData(platform::OptBytes data);

  // The ciphertext (as long as the plaintext) followed by the 16-byte tag; no additional data. The
  // key selects AES-128, -192 or -256 by its length. A nil plaintext gives nil, an empty one the
  // bare tag.
  static platform::OptBytes encryptData(const platform::OptBytes& data, const std::shared_ptr<QORSecretKey>& secretKey,
                                        const platform::OptBytes& iv);
  // Opens what encryptData made; nil unless the tag verifies under this key and IV.
  static platform::OptBytes decryptData(const platform::OptBytes& data, const std::shared_ptr<QORSecretKey>& secretKey,
                                        const platform::OptBytes& iv);
};

}  // namespace qor
