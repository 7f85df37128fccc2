#include "sdk/authorization/QORAuthController.h"

#include "common/actions/QORClientActionConstants.h"
#include "common/crypto/QORCryptUtils.h"
#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/keystore/SensitiveDataManager.h"
#include "common/log/QORLog.h"
#include "sdk/QORConstants.h"
#include "sdk/authorization/QORCommitAuthAction.h"
#include "sdk/authorization/QORHandshakeStep1Action.h"
#include "sdk/authorization/QORHandshakeStep1Response.h"
#include "sdk/authorization/QORHandshakeStep2Action.h"
#include "sdk/authorization/QORPrepareAuthAction.h"
#include "sdk/authorization/QORWakeUpAction.h"
#include "sdk/authorization/QORWakeUpResponse.h"
#include "sdk/authorization/QorPrepareAuthResponse.h"
#include "sdk/enrollment/QOREnrollmentController.h"
#include "sdk/integrity/QORDeviceIntegrity.h"

namespace qor {
namespace {

constexpr const char* kPinKeyMember = "argCustomEncryptionPinKey";

bool hasBytes(const std::shared_ptr<QORSecretKey>& key) { return key && key->data().has_value(); }

int64_t answerTypeForChain(const std::optional<std::string>& chainType) {
  if (chainType == QORAuthControllerOkChainType) return QORUserAnswerTypeAuthResultOK;
  if (chainType == QORAuthControllerBiometricChainType) return QORUserAnswerTypeAuthResultBiometric;
  if (chainType == QORAuthControllerPinChainType) return QORUserAnswerTypeAuthResultPin;
  if (chainType == QORAuthControllerSetPinChainType) return QORUserAnswerTypeAuthResultSetPin;
  return QORUserAnswerTypeAuthResultDeviceInfo;
}

}  // namespace

std::shared_ptr<QORAuthController> QORAuthController::create(std::optional<int64_t> sessionId) {
  return std::shared_ptr<QORAuthController>(new QORAuthController(sessionId));
}

QORAuthController::QORAuthController(std::optional<int64_t> sessionId)
    : sessionId_(sessionId),
      motionArtifact_(QORMotionArtifact::create()),
      userAnswerFactory_(QORUserAnswerFactory::create()) {}

QORAuthController::~QORAuthController() { motionArtifact_->stopTrackingMotions(); }

std::shared_ptr<QORAuthController> QORAuthController::self() {
  return std::static_pointer_cast<QORAuthController>(shared_from_this());
}

std::shared_ptr<QORAuthControllerDelegate> QORAuthController::authDelegate() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return std::dynamic_pointer_cast<QORAuthControllerDelegate>(delegate().lock());
}

bool QORAuthController::isFallbackUsed() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return isFallbackUsed_;
}

void QORAuthController::setIsFallbackUsed(bool used) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  isFallbackUsed_ = used;
}

const std::optional<std::string>& QORAuthController::chainType() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return chainType_;
}

const std::optional<platform::Json>& QORAuthController::guiData() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return guiData_;
}

const std::optional<platform::Json>& QORAuthController::flutterGuiData() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return flutterGuiData_;
}

const std::optional<platform::Json>& QORAuthController::paymentData() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return paymentData_;
}

int32_t QORAuthController::pinCodeLength() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return pinCodeLength_;
}

bool QORAuthController::isFlutter() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return isFlutter_;
}

QORAuthController::Records QORAuthController::artifacts() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return artifacts_;
}

void QORAuthController::appendArtifact(std::shared_ptr<QORSessionArtifact> record) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  artifacts_.push_back(std::move(record));
}

bool QORAuthController::isPaused() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return phase_ == Phase::paused;
}

std::shared_ptr<QORSecretKey> QORAuthController::pubQORDH() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return keyPairDh_ ? keyPairDh_->publicKey() : nullptr;
}

std::shared_ptr<QORSecretKey> QORAuthController::pubVTNDH() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (pubVTNDHKey_) return pubVTNDHKey_;
  auto answer = handshakeStep1_ ? std::dynamic_pointer_cast<QORHandshakeStep1Response>(handshakeStep1_->response())
                                : nullptr;
  // Before the first handshake answer there is nothing to cache.
  if (!answer) return nullptr;
  pubVTNDHKey_ = QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(answer->pubVTNDHBase64());
  return pubVTNDHKey_;
}

std::shared_ptr<QORSecretKey> QORAuthController::sharedSecretDh() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (!generatedSharedSecretDh_ && keyPairDh_) {
    generatedSharedSecretDh_ =
        QORCryptUtilsAsymmetric::generateSharedSecretWithPrivateKey(keyPairDh_->privateKey(), pubVTNDH());
  }
  return generatedSharedSecretDh_;
}

bool QORAuthController::isReadyForStart() { return QOREnrollmentController::isEnrolled(); }

QORStatus QORAuthController::possibleErrorStatus() { return QORStatusNotEnrolled; }

std::optional<std::string> QORAuthController::urlPath() const { return std::string(QORClientActionPathAuth); }

void QORAuthController::setupData() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  QORBaseClientActionController::setupData();
  keyPairDh_ = QORCryptUtilsAsymmetric::generateKeyPairDh();
  phase_ = Phase::running;
}

QORBaseClientActionController::Actions QORAuthController::createActions() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto me = self();
  wakeUp_ = QORWakeUpAction::create();
  handshakeStep1_ = QORHandshakeStep1Action::create();
  handshakeStep2_ = QORHandshakeStep2Action::create();
  prepareAuth_ = QORPrepareAuthAction::create();
  Actions list = {wakeUp_, handshakeStep1_, handshakeStep2_, prepareAuth_};
  for (const auto& action : list) {
    action->setDataSource(me);
    action->setDelegate(me);
  }
  return list;
}

void QORAuthController::clientActionFinishedWithStatus(const std::shared_ptr<QORBaseClientAction>& action,
                                                       QORStatus status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto keep = self();
  for (auto& record : action->artifacts()) artifacts_.push_back(std::move(record));
  QORBaseClientActionController::clientActionFinishedWithStatus(action, status);
}

void QORAuthController::saveActionResponse(const std::shared_ptr<QORBaseClientAction>& action) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (auto answer = std::dynamic_pointer_cast<QorCodeBlockResponse>(action->response())) {
    auto block = answer->getCodeBlock();
    nonceSeed_ = block ? block->seed() : std::nullopt;
  }
  if (action == wakeUp_) {
    setNonce(QORCryptUtils::generateNonce(nonceSeed_, pubQORDH() ? pubQORDH()->data() : std::nullopt));
    if (!rotateKeyStore(action)) finishWithErrorStatus(QORStatusSensitiveDataDecryptionError);
  } else if (action == handshakeStep1_) {
    platform::Bytes keys;
    for (const auto& key : {pubQORDH(), pubVTNDH()}) {
      if (hasBytes(key)) keys.insert(keys.end(), key->data()->begin(), key->data()->end());
    }
    setNonce(QORCryptUtils::generateNonce(nonceSeed_, keys));
  } else if (action == handshakeStep2_) {
    setNonce(QORCryptUtils::generateNonce());
  } else if (action == prepareAuth_) {
    auto answer = std::dynamic_pointer_cast<QorPrepareAuthResponse>(action->response());
    if (auto block = answer ? answer->codeBlock() : nullptr) {
      chainType_ = block->chainType();
      guiData_ = block->guiData();
      flutterGuiData_ = block->flutterGuiData();
      paymentData_ = block->paymentData();
      pinCodeLength_ = block->pinCodeLength();
    }
  }
}

bool QORAuthController::rotateKeyStore(const std::shared_ptr<QORBaseClientAction>& wakeUp) {
  auto answer = std::dynamic_pointer_cast<QORWakeUpResponse>(wakeUp->response());
  auto block = answer ? answer->codeBlock() : nullptr;
  if (!block) return false;
  auto current = QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(block->prvStorageCurrent());
  // The kept pair opens when an earlier run was stopped after its re-sealing, before the server
  // moved on to the key it had announced.
  auto opened = SensitiveDataManager::openCurrentOrKept(current);
  if (!opened) return false;
  prvClient_ = opened->data->prvClient();
  pubSps_ = opened->data->pubSps();
  auto next = QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(block->pubStorageNext());
  // A failed sealing leaves the stored pairs in place; this run goes on with the opened keys.
  if (!SensitiveDataManager::rotateSensitiveData(*opened, next)) QOR_LOG("The key store was not sealed again");
  return true;
}

void QORAuthController::runNextAction(const std::shared_ptr<QORBaseClientAction>& action) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (action != prepareAuth_) {
    QORBaseClientActionController::runNextAction(action);
    return;
  }
  isFlutter_ = flutterGuiData_ && flutterGuiData_->is_object() && flutterGuiData_->contains(flutterScreenKey);
  phase_ = Phase::paused;
  auto keep = self();
  if (auto delegate = authDelegate()) delegate->authControllerFinishedAuthPrepare(keep, QORStatusSuccess);
}

void QORAuthController::finishWithErrorStatus(QORStatus status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  phase_ = Phase::finished;
  motionArtifact_->stopTrackingMotions();
  QORBaseClientActionController::finishWithErrorStatus(status);
}

bool QORAuthController::takeDecision() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (phase_ != Phase::paused || endedWithoutDecision_) return false;
  phase_ = Phase::committing;
  return true;
}

void QORAuthController::commitAuth(const std::string& value) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  const int64_t type = isFallbackUsed_ ? QORUserAnswerTypeAuthResultPin : answerTypeForChain(chainType_);
  decide(type, value);
}

void QORAuthController::cancelAuth() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  decide(QORUserAnswerTypeAuthResultCancel, QORUserAnswerCancel);
}

void QORAuthController::cancelAuth(const std::shared_ptr<DeclinedTransactionData>& data) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (data && data->didUserForgetPin()) {
    decide(QORUserAnswerTypeAuthResultForgotPin, QORUserAnswerOk);
  } else {
    decide(QORUserAnswerTypeAuthResultCancel, QORUserAnswerCancel);
  }
}

void QORAuthController::endWithoutDecision() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  endedWithoutDecision_ = true;
  motionArtifact_->stopTrackingMotions();
}

void QORAuthController::decide(int64_t type, const std::string& value) {
  if (!takeDecision()) {
    QOR_LOG("A decision outside the pause after prepare is ignored");
    return;
  }
  auto keep = self();
  motionArtifact_->stopTrackingMotions();
  if (!motionArtifact_->hasDetectedMotion()) appendArtifact(motionArtifact_);
  for (auto& record : QORDeviceIntegrity::artifacts()) appendArtifact(std::move(record));
  addUserAnswerArtifactOfType(type, value);
  continueWithCommitAuthAction();
}

std::shared_ptr<QORSecretKey> QORAuthController::pinKey(bool& sealable) const {
  std::string text;
  if (flutterGuiData_ && flutterGuiData_->is_object()) {
    const platform::Json* member = platform::member(*flutterGuiData_, kPinKeyMember);
    if (member && member->is_string()) text = member->get<std::string>();
  }
  sealable = !text.empty();
  return QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(text);
}

void QORAuthController::addUserAnswerArtifactOfType(int64_t type, const std::string& value) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  std::shared_ptr<QORSecretKey> key;
  bool seal = true;
  if (type == QORUserAnswerTypeAuthResultPin || type == QORUserAnswerTypeAuthResultSetPin || isFallbackUsed_) {
    key = pinKey(seal);
  } else if (type == QORUserAnswerTypeAuthResultBiometric) {
    seal = false;
  } else {
    key = pubSps_;
  }
  appendArtifact(userAnswerFactory_->createUserAnswerOfType(type, value, key, seal));
}

void QORAuthController::genrateCommitAuthNonce() { setNonce(QORCryptUtils::generateNonce(nonceSeed_, std::nullopt)); }

void QORAuthController::continueWithCommitAuthAction() {
  genrateCommitAuthNonce();
  auto me = self();
  auto commit = QORCommitAuthAction::create();
  commit->setDataSource(me);
  commit->setDelegate(me);
  addAction(commit);
  commit->start();
}

}  // namespace qor
