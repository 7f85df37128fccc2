#include "tests/authorization/AuthorizationTestSupport.h"

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsB64.h"
#include "common/keystore/SensitiveDataManager.h"
#include "common/storage/QORCommonData.h"
#include "platform/Queue.h"
#include "platform/devices/Device.h"
#include "platform/devices/SimulatedMotion.h"

namespace qortest {

using platform::Json;

void RecordingPresenter::authControllerFinishedAuthPrepare(
    const std::shared_ptr<qor::QORBaseClientActionController>& controller, int32_t status) {
  pauses.push_back(status);
  onMainQueue.push_back(platform::MainQueue::shared()->isCurrent());
  auto auth = std::dynamic_pointer_cast<qor::QORAuthController>(controller);
  if (onPause && auth) onPause(*auth);
}

void RecordingPresenter::clientActionControllerFinishedWithStatus(
    const std::shared_ptr<qor::QORBaseClientActionController>&, qor::QORStatus status) {
  statuses.push_back(status);
  onMainQueue.push_back(platform::MainQueue::shared()->isCurrent());
}

std::shared_ptr<SpoilableAuthController> SpoilableAuthController::create(int64_t sessionId) {
  return std::shared_ptr<SpoilableAuthController>(new SpoilableAuthController(sessionId));
}

void SpoilableAuthController::saveActionResponse(const std::shared_ptr<qor::QORBaseClientAction>& action) {
  QORAuthController::saveActionResponse(action);
  if (afterSave) afterSave(*this, *action);
}

void SpoilableAuthController::genrateCommitAuthNonce() {
  QORAuthController::genrateCommitAuthNonce();
  if (afterCommitNonce) afterCommitNonce(*this);
}

void SpoilableAuthController::addUserAnswerArtifactOfType(int64_t type, const std::string& value) {
  if (answer) {
    appendArtifact(answer(*this, type, value));
  } else {
    QORAuthController::addUserAnswerArtifactOfType(type, value);
  }
}

void AuthorizationTest::SetUp() {
  ActionsTest::SetUp();
  presenter_ = std::make_shared<RecordingPresenter>();
  platform::SimulatedMotion::reset();
  platform::Device::reset();
  integrity_ = {};
  qor::QORDeviceIntegrity::setProbe([this] { return integrity_; });
}

void AuthorizationTest::TearDown() {
  qor::QORDeviceIntegrity::setProbe({});
  platform::SimulatedMotion::reset();
  ActionsTest::TearDown();
}

Json AuthorizationTest::enroll(bool pinKey, const Json& transaction, const std::string& storageMoves) {
  if (!clientKeys_) clientKeys_ = qor::QORCryptUtilsAsymmetric::generateKeyPair();
  const std::string enrollmentId = "E-1";
  Json reply = server_->command({{"cmd", "enroll"},
                                 {"installationId", "device-1"},
                                 {"enrollmentId", enrollmentId},
                                 {"pubClient", *qor::QORCryptUtilsB64::encodeDataToString(clientKeys_->publicKey()->data())},
                                 {"pinKey", pinKey},
                                 {"storageMoves", storageMoves},
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

std::shared_ptr<SpoilableAuthController> AuthorizationTest::runToPause(
    std::function<void(SpoilableAuthController&)> prepare) {
  auto controller = SpoilableAuthController::create(4711);
  controller->setDelegate(presenter_);
  if (prepare) prepare(*controller);
  const size_t before = presenter_->statuses.size();
  controller->start();
  waitFor([&] { return controller->isPaused() || presenter_->statuses.size() > before; });
  return controller;
}

void AuthorizationTest::decideAndWait(qor::QORAuthController& controller,
                                      const std::function<void(qor::QORAuthController&)>& decide) {
  const size_t before = presenter_->statuses.size();
  decide(controller);
  waitFor([&] { return presenter_->statuses.size() > before; });
}

void AuthorizationTest::waitFor(const std::function<bool()>& done, double seconds) {
  platform::MainQueue::shared()->runUntil(done, platform::seconds(seconds));
}

void AuthorizationTest::settle() { platform::MainQueue::shared()->runFor(platform::seconds(0.2)); }

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

qor::SensitiveDataManager::StoredPairs AuthorizationTest::storedKeyStore() {
  return qor::SensitiveDataManager::storedPairs();
}

}  // namespace qortest
