// The stored values an enrollment run may change, as they stood when the snapshot was made, so that
// a failed run can put every one of them back (an absent value is absent again afterwards). The
// extra HTTP headers are left out.
//
// Immutable once made: any thread may read it; `apply` writes to the keychain from the caller's.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/Bytes.h"

namespace qor {

class QORSecureStorageSnapshot {
 public:
  using OptString = std::optional<std::string>;

  // init: captures the sixteen values now (setupSelf), the key store's kept pair among them.
  static std::shared_ptr<QORSecureStorageSnapshot> create();

  // applySnapsot: writes every captured value back, in the order they were read; a value that was
  // absent deletes its item. The key store's four items go back in one keychain transaction, so
  // that its pairs are never mixed. True when every write succeeded.
  bool apply() const;

  const OptString& host() const { return host_; }
  const OptString& webSocketHost() const { return webSocketHost_; }
  const OptString& pubVtnBase64() const { return pubVtnBase64_; }
  const OptString& installationId() const { return installationId_; }
  const OptString& enrollmentId() const { return enrollmentId_; }
  const OptString& externalId() const { return externalId_; }
  const OptString& skVTN() const { return skVTN_; }
  const OptString& appPNS() const { return appPNS_; }
  const OptString& pubQorBase64() const { return pubQorBase64_; }
  const OptString& privateQorBase64() const { return privateQorBase64_; }
  const OptString& deviceId() const { return deviceId_; }
  const platform::OptBytes& sensitiveDataEncrypted() const { return sensitiveDataEncrypted_; }
  const platform::OptBytes& skSessionEncrypted() const { return skSessionEncrypted_; }
  const platform::OptBytes& sensitiveDataEncryptedKept() const { return sensitiveDataEncryptedKept_; }
  const platform::OptBytes& skSessionEncryptedKept() const { return skSessionEncryptedKept_; }
  const platform::OptBytes& privateRsaUtilityKeyData() const { return privateRsaUtilityKeyData_; }

 private:
  QORSecureStorageSnapshot() = default;
  void setupSelf();

  OptString host_;
  OptString webSocketHost_;
  OptString pubVtnBase64_;
  OptString installationId_;
  OptString enrollmentId_;
  OptString externalId_;
  OptString skVTN_;
  OptString appPNS_;
  OptString pubQorBase64_;
  OptString privateQorBase64_;
  OptString deviceId_;
  platform::OptBytes sensitiveDataEncrypted_;
  platform::OptBytes skSessionEncrypted_;
  platform::OptBytes sensitiveDataEncryptedKept_;
  platform::OptBytes skSessionEncryptedKept_;
  platform::OptBytes privateRsaUtilityKeyData_;
};

}  // namespace qor
