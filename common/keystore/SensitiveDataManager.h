// Seals and opens the key store: the SensitiveData record with AES-GCM under a fresh session key
// and IV (item "sensitiveDataEncrypted": ciphertext then the 16-byte tag), and that session with
// RSA PKCS #1 v1.5 under the storage public key the server supplies (item "skSessionEncrypted").
// Only the matching storage private key opens the store again.
//
// An authorization's rotation also keeps, beside the current pair, the pair that opened at its
// wake-up (the "...Kept" items, still sealed under the storage key that opened it): a process
// killed after the new sealing but before the server heard of it meets a server that still hands
// out that key, and the kept pair opens where the current one cannot. A later wake-up that opens
// the current pair shows that the server moved on, and that pair becomes the kept one instead.
// `saveSensitiveData` (enrollment) begins a new store and drops the kept pair.
//
// Stateless; the callers use it on the main queue.
#pragma once

#include <memory>
#include <optional>

#include "common/QORCommonExport.h"
#include "common/crypto/QORSecretKey.h"
#include "common/keystore/SensitiveData.h"
#include "common/keystore/SkSessionData.h"
#include "platform/Bytes.h"

namespace qor {

class QOR_COMMON_EXPORT SensitiveDataManager {
 public:
  SensitiveDataManager() = delete;

  // Both sealed halves of one pair, as stored.
  struct SealedPair {
    platform::OptBytes sensitiveData;
    platform::OptBytes skSession;
    bool operator==(const SealedPair&) const = default;
  };
  // A store opened at a wake-up: the record and the stored pair it came from.
  struct OpenedStore {
    std::shared_ptr<SensitiveData> data;
    SealedPair pair;
  };

  // Seals the record under a new session and writes both items. Both halves are sealed before
  // anything is written, and the pair is replaced in one keychain transaction, which also drops a
  // kept pair: when a sealing or the write fails, or the process dies during it, the previous
  // items stay (the result is false).
  static bool saveSensitiveData(const std::shared_ptr<SensitiveData>& data,
                                const std::shared_ptr<QORSecretKey>& pubStorage);
  // Never null. A missing item, a wrong storage key, a changed byte or a malformed record give a
  // record whose keys have nil bytes; the store counts as opened only when both carry bytes.
  static std::shared_ptr<SensitiveData> getSensitiveDataWithPrvStorage(const std::shared_ptr<QORSecretKey>& prvStorage);

  // The wake-up's opening: the current pair with the storage private key, else the kept pair;
  // nullopt when neither opens (both keys of the record carry bytes).
  static std::optional<OpenedStore> openCurrentOrKept(const std::shared_ptr<QORSecretKey>& prvStorage);
  // The wake-up's re-sealing: the opened record under a new session and the next storage key as
  // the current pair, and the pair that opened as the kept one, in one keychain transaction. False,
  // with every item as it was, when a sealing or the write fails.
  static bool rotateSensitiveData(const OpenedStore& opened, const std::shared_ptr<QORSecretKey>& pubStorageNext);
  // The stored pairs, all four items read at once.
  struct StoredPairs {
    SealedPair current;
    SealedPair kept;
    bool operator==(const StoredPairs&) const = default;
  };
  static StoredPairs storedPairs();
  // Writes all four items in one keychain transaction (a missing value deletes its item).
  static bool setStoredPairs(StoredPairs pairs);

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
