#include "sdk/enrollment/QORCommitEnrollmentRequestData.h"

#include "common/storage/QORCommonData.h"
#include "common/storage/QORSecureStorage.h"
#include "sdk/authorization/internal/BodyMembers.h"

namespace qor {

std::shared_ptr<QORCommitEnrollmentRequestData> QORCommitEnrollmentRequestData::create(
    platform::OptBytes nonce, std::shared_ptr<QORSecretKey> pubClient, std::shared_ptr<QORSecretKey> pubUtility,
    Records artifacts) {
  return std::shared_ptr<QORCommitEnrollmentRequestData>(new QORCommitEnrollmentRequestData(
      std::move(nonce), std::move(pubClient), std::move(pubUtility), std::move(artifacts)));
}

QORCommitEnrollmentRequestData::QORCommitEnrollmentRequestData(platform::OptBytes nonce,
                                                               std::shared_ptr<QORSecretKey> pubClient,
                                                               std::shared_ptr<QORSecretKey> pubUtility,
                                                               Records artifacts)
    : QORBaseRequestData(std::move(nonce)),
      pubClient_(std::move(pubClient)),
      pubUtility_(std::move(pubUtility)),
      artifacts_(std::move(artifacts)) {}

std::optional<platform::Json> QORCommitEnrollmentRequestData::requestDictionary() const {
  platform::Json dictionary = internal::baseBodyMembers(*this);
  if (auto token = QORCommonData::appPNS()) dictionary["appPNS"] = *token;
  if (auto externalId = QORCommonData::externalId()) dictionary["externalId"] = *externalId;
  internal::putKeyBytes(dictionary, "pubClient", pubClient_);
  if (auto deviceId = QORSecureStorage::stringForKey(kQORSecureStorageDeviceId)) dictionary["deviceId"] = *deviceId;
  internal::putKeyBytes(dictionary, "pubVerification", pubUtility_);
  internal::putArtifacts(dictionary, artifacts_);
  return internal::withExactCount(std::move(dictionary), 7);
}

}  // namespace qor
