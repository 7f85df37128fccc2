#include "sdk/enrollment/QORSecureStorageSnapshot.h"

#include "common/keystore/SensitiveDataManager.h"
#include "common/storage/QORCommonData.h"
#include "common/storage/QORSecureStorage.h"

namespace qor {

std::shared_ptr<QORSecureStorageSnapshot> QORSecureStorageSnapshot::create() {
  auto snapshot = std::shared_ptr<QORSecureStorageSnapshot>(new QORSecureStorageSnapshot());
  snapshot->setupSelf();
  return snapshot;
}

void QORSecureStorageSnapshot::setupSelf() {
  host_ = QORCommonData::host();
  webSocketHost_ = QORCommonData::webSocketHost();
  pubVtnBase64_ = QORCommonData::pubVtnBase64();
  installationId_ = QORCommonData::installationId();
  enrollmentId_ = QORCommonData::enrollmentId();
  externalId_ = QORCommonData::externalId();
  skVTN_ = QORCommonData::skVTN();
  appPNS_ = QORCommonData::appPNS();
  pubQorBase64_ = QORSecureStorage::stringForKey(kQORSecureStoragePublicQorBase64);
  privateQorBase64_ = QORSecureStorage::stringForKey(kQORSecureStoragePrivateQorBase64);
  deviceId_ = QORSecureStorage::stringForKey(kQORSecureStorageDeviceId);
  auto keyStore = SensitiveDataManager::storedPairs();
  sensitiveDataEncrypted_ = std::move(keyStore.current.sensitiveData);
  skSessionEncrypted_ = std::move(keyStore.current.skSession);
  sensitiveDataEncryptedKept_ = std::move(keyStore.kept.sensitiveData);
  skSessionEncryptedKept_ = std::move(keyStore.kept.skSession);
  privateRsaUtilityKeyData_ = QORSecureStorage::dataForKey(kQORSecureStorageRsaUtilityPrivate);
}

bool QORSecureStorageSnapshot::apply() const {
  // Every value is written even after a failed one, so that as much as possible comes back.
  bool all = true;
  auto note = [&all](bool written) { all = written && all; };
  note(QORCommonData::setHost(host_));
  note(QORCommonData::setWebSocketHost(webSocketHost_));
  note(QORCommonData::setPubVtnBase64(pubVtnBase64_));
  note(QORCommonData::setInstallationId(installationId_));
  note(QORCommonData::setEnrollmentId(enrollmentId_));
  note(QORCommonData::setExternalId(externalId_));
  note(QORCommonData::setSkVTN(skVTN_));
  note(QORCommonData::setAppPNS(appPNS_));
  note(QORSecureStorage::setString(pubQorBase64_, kQORSecureStoragePublicQorBase64));
  note(QORSecureStorage::setString(privateQorBase64_, kQORSecureStoragePrivateQorBase64));
  note(QORSecureStorage::setString(deviceId_, kQORSecureStorageDeviceId));
  note(SensitiveDataManager::setStoredPairs(
      {{sensitiveDataEncrypted_, skSessionEncrypted_}, {sensitiveDataEncryptedKept_, skSessionEncryptedKept_}}));
  note(QORSecureStorage::setData(privateRsaUtilityKeyData_, kQORSecureStorageRsaUtilityPrivate));
  return all;
}

}  // namespace qor
