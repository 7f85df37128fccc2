// Seals and opens the key store: the SensitiveData record with AES-GCM under a fresh session key
// and IV (item "sensitiveDataEncrypted": ciphertext then the 16-byte tag), and that session with
// RSA PKCS #1 v1.5 under the storage public key the server supplies (item "skSessionEncrypted").
// Only the matching storage private key opens the store again.
//
// Stateless; the callers use it on the main queue.
#pragma once

#include <memory>

#include "common/QORCommonExport.h"
#include "common/crypto/QORSecretKey.h"
#include "common/keystore/SensitiveData.h"
#include "common/keystore/SkSessionData.h"
#include "platform/Bytes.h"

namespace qor {

class QOR_COMMON_EXPORT SensitiveDataManager {
 public:
  SensitiveDataManager() = delete;

  // Seals the record under a new session and writes both items. Both halves are sealed before
  // anything is written, and the pair is replaced in one keychain transaction: when a sealing or
  // the write fails, or the process dies during it, the previous pair stays (the result is false).
  static bool saveSensitiveData(const std::shared_ptr<SensitiveData>& data,
                                const std::shared_ptr<QORSecretKey>& pubStorage);
  // Never null. A missing item, a wrong storage key, a changed byte or a malformed record give a
  // record whose keys have nil bytes; the store counts as opened only when both carry bytes.
  static std::shared_ptr<SensitiveData> getSensitiveDataWithPrvStorage(const std::shared_ptr<QORSecretKey>& prvStorage);

  static platform::OptBytes encryptSensitiveData(const std::shared_ptr<SensitiveData>& data,
                                                 const std::shared_ptr<SkSessionData>& skSession);
  static platform::OptBytes encryptSkSession(const std::shared_ptr<SkSessionData>& skSession,
                                             const std::shared_ptr<QORSecretKey>& pubStorage);
  static std::shared_ptr<SkSessionData> decryptSkSession(const platform::OptBytes& data,
                                                         const std::shared_ptr<QORSecretKey>& prvStorage);
  static std::shared_ptr<SensitiveData> decryptSensitiveData(const platform::OptBytes& data,
                                                             const std::shared_ptr<SkSessionData>& skSession);
};

}  // namespace qor
