#include "sdk/enrollment/QOREnrollmentController.h"

#include "common/crypto/QORCryptUtils.h"
#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/keystore/SensitiveDataManager.h"
#include "common/storage/QORCommonData.h"
#include "common/storage/QORSecureStorage.h"
#include "platform/UUID.h"
#include "sdk/codeblocks/QorCodeBlockResponse.h"
#include "sdk/enrollment/QORCommitEnrollmentResponse.h"
#include "sdk/enrollment/QORPrepareEnrollmentResponse.h"

namespace qor {
namespace {

void append(platform::Bytes& data, const platform::OptBytes& bytes) {
  if (bytes) data.insert(data.end(), bytes->begin(), bytes->end());
}

void append(platform::Bytes& data, const std::optional<std::string>& text) {
  if (text) data.insert(data.end(), text->begin(), text->end());
}

void append(platform::Bytes& data, const std::shared_ptr<QORSecretKey>& key) {
  if (key) append(data, key->data());
}

// A key the client can seal with. Bytes that merely decode from Base64 are not enough: a key store
// sealed under a broken storage key, or holding a broken answer key, could never serve an
// authorization, so the enrollment must fail instead.
bool isUsablePublicKey(const std::shared_ptr<QORSecretKey>& key) {
  return key && key->data() && QORCryptUtilsAsymmetric::encryptData(platform::Bytes{}, key).has_value();
}

}  // namespace

std::shared_ptr<QOREnrollmentController> QOREnrollmentController::create() {
  return std::shared_ptr<QOREnrollmentController>(new QOREnrollmentController());
}

QOREnrollmentController::QOREnrollmentController() : secureStorageSnapshot_(QORSecureStorageSnapshot::create()) {}

void QOREnrollmentController::updateDeviceToken(const std::optional<std::string>& token) {
  const auto stored = QORCommonData::appPNS();
  const bool same = stored && token && *stored == *token;
  if (isEnrolled() && !same) reset();
  QORCommonData::setAppPNS(token);
}

bool QOREnrollmentController::isReadyForEnrollment() { return QORCommonData::appPNS().has_value(); }

bool QOREnrollmentController::isEnrolled() { return QORCommonData::skVTN().has_value(); }

void QOREnrollmentController::reset() { QORSecureStorage::reset(); }

std::shared_ptr<QORSecretKey> QOREnrollmentController::pubClient() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return keyPairClient_ ? keyPairClient_->publicKey() : nullptr;
}

std::shared_ptr<QORSecretKey> QOREnrollmentController::pubUtility() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return keyPairUtility_ ? keyPairUtility_->publicKey() : nullptr;
}

QOREnrollmentController::Records QOREnrollmentController::artifacts() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return sessionArtifacts_;
}

std::optional<std::string> QOREnrollmentController::nonceSeed() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return nonceSeed_;
}

std::shared_ptr<QORKeyPair> QOREnrollmentController::keyPairClient() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return keyPairClient_;
}

std::shared_ptr<QORKeyPair> QOREnrollmentController::keyPairUtility() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return keyPairUtility_;
}

std::shared_ptr<QORPrepareEnrollmentAction> QOREnrollmentController::prepareEnrollment() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return prepareEnrollment_;
}

std::shared_ptr<QORCommitEnrollmentAction> QOREnrollmentController::commitEnrollment() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return commitEnrollment_;
}

std::shared_ptr<QORSecureStorageSnapshot> QOREnrollmentController::secureStorageSnapshot() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return secureStorageSnapshot_;
}

bool QOREnrollmentController::isReadyForStart() { return isReadyForEnrollment(); }

QORStatus QOREnrollmentController::possibleErrorStatus() { return QORStatusNoApnsToken; }

void QOREnrollmentController::setupData() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  secureStorageSnapshot_ = QORSecureStorageSnapshot::create();
  sessionArtifacts_.clear();
  nonceSeed_.reset();
  rollbackDue_ = true;
  QORBaseClientActionController::setupData();
  setIds();
  setKeys();
}

void QOREnrollmentController::setIds() {
  QORCommonData::setEnrollmentId(platform::uuidString());
  if (!QORSecureStorage::stringForKey(kQORSecureStorageDeviceId)) {
    QORSecureStorage::setString(platform::uuidString(), kQORSecureStorageDeviceId);
  }
  if (!QORCommonData::externalId()) QORCommonData::setExternalId(platform::uuidString());
}

void QOREnrollmentController::setKeys() {
  auto client = QORCryptUtilsAsymmetric::generateKeyPair();
  auto utility = QORCryptUtilsAsymmetric::generateKeyPair();
  keyPairClient_ = client;
  keyPairUtility_ = utility;
  // Without a pair the item is deleted; the commit then cannot be built and the run is rolled back.
  QORSecureStorage::setData(utility ? utility->privateKey()->data() : std::nullopt, kQORSecureStorageRsaUtilityPrivate);
}

QOREnrollmentController::Actions QOREnrollmentController::createActions() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto self = std::dynamic_pointer_cast<QOREnrollmentController>(shared_from_this());
  auto prepare = QORPrepareEnrollmentAction::create();
  auto commit = QORCommitEnrollmentAction::create();
  for (const std::shared_ptr<QORBaseClientAction>& action : {std::static_pointer_cast<QORBaseClientAction>(prepare),
                                                             std::static_pointer_cast<QORBaseClientAction>(commit)}) {
    action->setDataSource(self);
    action->setDelegate(self);
  }
  prepareEnrollment_ = prepare;
  commitEnrollment_ = commit;
  return {prepare, commit};
}

void QOREnrollmentController::clientActionFinishedWithStatus(const std::shared_ptr<QORBaseClientAction>& action,
                                                             QORStatus status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto self = shared_from_this();
  if (action) {
    auto records = action->artifacts();
    sessionArtifacts_.insert(sessionArtifacts_.end(), records.begin(), records.end());
  }
  QORBaseClientActionController::clientActionFinishedWithStatus(action, status);
}

void QOREnrollmentController::saveActionResponse(const std::shared_ptr<QORBaseClientAction>& action) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (auto answer = std::dynamic_pointer_cast<QorCodeBlockResponse>(action->response())) {
    auto block = answer->getCodeBlock();
    nonceSeed_ = block ? block->seed() : std::nullopt;
  }
  if (action == prepareEnrollment()) {
    setNonce(QORCryptUtils::generateNonce(nonceSeed(), createNonceData()));
    auto answer = std::dynamic_pointer_cast<QORPrepareEnrollmentResponse>(action->response());
    if (!saveSensitiveData(answer ? answer->codeBlock() : nullptr)) finishWithErrorStatus(QORStatusUndefined);
  } else if (action == commitEnrollment()) {
    auto answer = std::dynamic_pointer_cast<QORCommitEnrollmentResponse>(action->response());
    auto token = answer ? answer->skVTN() : std::nullopt;
    // A success without a token that the keychain keeps would leave a device that cannot authorize.
    if (!token || token->empty() || !QORCommonData::setSkVTN(token)) finishWithErrorStatus(QORStatusUndefined);
  }
}

bool QOREnrollmentController::saveSensitiveData(const std::shared_ptr<EnrollmentActionCodeBlock>& codeBlock) {
  if (!codeBlock) return false;
  auto client = keyPairClient();
  auto pubSps = QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(codeBlock->pubSPS());
  auto pubStorage = QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(codeBlock->pubStorageInitial());
  if (!client || !isUsablePublicKey(pubSps) || !isUsablePublicKey(pubStorage)) return false;
  auto data = SensitiveData::create(client->privateKey(), pubSps, std::nullopt);
  return SensitiveDataManager::saveSensitiveData(data, pubStorage);
}

void QOREnrollmentController::finishWithErrorStatus(QORStatus status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  std::shared_ptr<QORSecureStorageSnapshot> snapshot;
  if (std::exchange(rollbackDue_, false) && status != QORStatusSuccess) snapshot = secureStorageSnapshot_;
  if (snapshot) snapshot->apply();
  QORBaseClientActionController::finishWithErrorStatus(status);
}

platform::Bytes QOREnrollmentController::createNonceData() const {
  platform::Bytes data;
  append(data, QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(QORCommonData::pubVtnBase64()));
  append(data, pubUtility());
  append(data, QORSecureStorage::stringForKey(kQORSecureStorageDeviceId));
  append(data, QORCommonData::appPNS());
  append(data, QORCommonData::externalId());
  append(data, pubClient());
  for (const auto& record : artifacts()) {
    if (record) append(data, platform::OptBytes(record->getHashCodeData()));
  }
  return data;
}

}  // namespace qor
