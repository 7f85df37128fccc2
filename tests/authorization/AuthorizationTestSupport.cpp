#include "tests/authorization/AuthorizationTestSupport.h"

#include "common/crypto/QORCryptUtils.h"
#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsB64.h"
#include "common/keystore/SensitiveDataManager.h"
#include "common/storage/QORCommonData.h"
#include "platform/Queue.h"
#include "sdk/authorization/QORHandshakeStep1Response.h"
#include "sdk/authorization/QORWakeUpResponse.h"

namespace qortest {

using platform::Json;

std::shared_ptr<FlowController> FlowController::create(int64_t sessionId) {
  return std::shared_ptr<FlowController>(new FlowController(sessionId));
}

std::shared_ptr<qor::QORSecretKey> FlowController::pubQORDH() const {
  return keyPairDh_ ? keyPairDh_->publicKey() : nullptr;
}

std::shared_ptr<qor::QORSecretKey> FlowController::sharedSecretDh() const {
  if (!sharedSecret_ && keyPairDh_) {
    sharedSecret_ = qor::QORCryptUtilsAsymmetric::generateSharedSecretWithPrivateKey(keyPairDh_->privateKey(), pubVTNDH_);
  }
  return sharedSecret_;
}

void FlowController::setupData() {
  QORBaseClientActionController::setupData();
  keyPairDh_ = qor::QORCryptUtilsAsymmetric::generateKeyPairDh();
}

FlowController::Actions FlowController::createActions() {
  auto self = std::dynamic_pointer_cast<FlowController>(shared_from_this());
  wakeUp_ = qor::QORWakeUpAction::create();
  step1_ = qor::QORHandshakeStep1Action::create();
  step2_ = qor::QORHandshakeStep2Action::create();
  prepare_ = qor::QORPrepareAuthAction::create();
  Actions list = {wakeUp_, step1_, step2_, prepare_};
  for (const auto& action : list) {
    action->setDataSource(self);
    action->setDelegate(self);
  }
  return list;
}

void FlowController::clientActionFinishedWithStatus(const std::shared_ptr<qor::QORBaseClientAction>& action,
                                                    qor::QORStatus status) {
  for (const auto& record : action->artifacts()) records_.push_back(record);
  QORBaseClientActionController::clientActionFinishedWithStatus(action, status);
}

void FlowController::saveActionResponse(const std::shared_ptr<qor::QORBaseClientAction>& action) {
  if (auto answer = std::dynamic_pointer_cast<qor::QorCodeBlockResponse>(action->response())) {
    nonceSeed_ = answer->getCodeBlock() ? answer->getCodeBlock()->seed() : std::nullopt;
  }
  if (action == wakeUp_) {
    setNonce(qor::QORCryptUtils::generateNonce(nonceSeed_, pubQORDH()->data()));
    auto block = std::dynamic_pointer_cast<qor::QORWakeUpResponse>(action->response())->codeBlock();
    auto store = qor::SensitiveDataManager::getSensitiveDataWithPrvStorage(
        qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(block->prvStorageCurrent()));
    if (!store->prvClient()->data() || !store->pubSps()->data()) {
      finishWithErrorStatus(qor::QORStatusSensitiveDataDecryptionError);
      return;
    }
    prvClient_ = store->prvClient();
    pubSps = store->pubSps();
    qor::SensitiveDataManager::saveSensitiveData(
        store, qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(block->pubStorageNext()));
  } else if (action == step1_) {
    auto answer = std::dynamic_pointer_cast<qor::QORHandshakeStep1Response>(action->response());
    pubVTNDH_ = qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(answer->pubVTNDHBase64());
    platform::Bytes keys = *pubQORDH()->data();
    if (pubVTNDH_->data()) keys.insert(keys.end(), pubVTNDH_->data()->begin(), pubVTNDH_->data()->end());
    setNonce(qor::QORCryptUtils::generateNonce(nonceSeed_, keys));
  } else if (action == step2_) {
    setNonce(qor::QORCryptUtils::generateNonce());
  } else if (action == prepare_) {
    prepareAnswer = std::dynamic_pointer_cast<qor::QorPrepareAuthResponse>(action->response());
  }
  if (afterSave) afterSave(*this, *action);
}

void FlowController::runNextAction(const std::shared_ptr<qor::QORBaseClientAction>& action) {
  if (action == prepare_) {
    paused = true;
    return;
  }
  QORBaseClientActionController::runNextAction(action);
}

void FlowController::commit(Records finalRecords) {
  for (auto& record : finalRecords) records_.push_back(std::move(record));
  setNonce(qor::QORCryptUtils::generateNonce(nonceSeed_, std::nullopt));
  if (beforeCommit) beforeCommit(*this);
  auto action = qor::QORCommitAuthAction::create();
  auto self = std::dynamic_pointer_cast<FlowController>(shared_from_this());
  action->setDataSource(self);
  action->setDelegate(self);
  addAction(action);
  action->start();
}

void AuthorizationTest::SetUp() {
  ActionsTest::SetUp();
  recorder_ = std::make_shared<RecordingDelegate>();
}

Json AuthorizationTest::enroll(bool pinKey, const Json& transaction) {
  if (!clientKeys_) clientKeys_ = qor::QORCryptUtilsAsymmetric::generateKeyPair();
  const std::string enrollmentId = "E-1";
  Json reply = server_->command({{"cmd", "enroll"},
                                 {"installationId", "device-1"},
                                 {"enrollmentId", enrollmentId},
                                 {"pubClient", *qor::QORCryptUtilsB64::encodeDataToString(clientKeys_->publicKey()->data())},
                                 {"pinKey", pinKey},
                                 {"transaction", transaction.is_object() ? transaction : Json::object()}});
  EXPECT_EQ(reply.value("ok", false), true) << reply.dump();
  qor::QORCommonData::setEnrollmentId(enrollmentId);
  qor::QORCommonData::setSkVTN(std::string("enrolled"));
  auto restore = [&](const char* name) {
    return qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(reply.value(name, std::string()));
  };
  EXPECT_TRUE(qor::SensitiveDataManager::saveSensitiveData(
      qor::SensitiveData::create(clientKeys_->privateKey(), restore("pubSps"), std::nullopt), restore("pubStorage")));
  return reply;
}

std::shared_ptr<FlowController> AuthorizationTest::runToPause(std::function<void(FlowController&)> prepare) {
  auto controller = FlowController::create(4711);
  controller->setDelegate(recorder_);
  if (prepare) prepare(*controller);
  const size_t before = recorder_->statuses.size();
  controller->start();
  waitFor([&] { return controller->paused || recorder_->statuses.size() > before; });
  return controller;
}

void AuthorizationTest::commitAndWait(FlowController& controller, FlowController::Records records) {
  const size_t before = recorder_->statuses.size();
  controller.commit(std::move(records));
  waitFor([&] { return recorder_->statuses.size() > before; });
}

void AuthorizationTest::waitFor(const std::function<bool()>& done, double seconds) {
  platform::MainQueue::shared()->runUntil(done, platform::seconds(seconds));
}

std::vector<int64_t> AuthorizationTest::acceptedTypes() {
  std::vector<int64_t> types;
  for (const auto& request : server_->requests()) {
    if (request.value("accepted", false)) types.push_back(request["header"]["type"].get<int64_t>());
  }
  return types;
}

std::vector<std::string> AuthorizationTest::refusals() {
  std::vector<std::string> reasons;
  for (const auto& request : server_->requests()) {
    if (!request.value("accepted", true)) reasons.push_back(request.value("reason", std::string()));
  }
  return reasons;
}

Json AuthorizationTest::decisions() {
  return server_->command({{"cmd", "state"}})["enrolled"]["device-1"]["decisions"];
}

}  // namespace qortest
