// The enrollment flow against the reference server: a real enrollment that the authorization actions
// can then use, the rollback of every failing run (before the status is reported), and the token
// update that forgets an enrollment.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsB64.h"
#include "common/storage/QORCommonData.h"
#include "common/storage/QORSecureStorage.h"
#include "platform/Base64.h"
#include "platform/keychain/Keychain.h"
#include "sdk/QORConstants.h"
#include "sdk/artifacts/QORUserAnswerFactory.h"
#include "sdk/enrollment/QORCommitEnrollmentRequestData.h"
#include "sdk/enrollment/QOREnrollmentController.h"
#include "tests/authorization/AuthorizationTestSupport.h"

namespace qortest {
namespace {

using platform::Json;
using Stored = std::map<std::string, platform::OptBytes>;

const char* const kAllKeys[] = {
    qor::kQORSecureStorageHost,           qor::kQORSecureStorageWebSocketHost,
    qor::kQORSecureStoragePubVtnBase64,   qor::kQORSecureStorageInstallationId,
    qor::kQORSecureStorageEnrollmentId,   qor::kQORSecureStorageExternalId,
    qor::kQORSecureStorageSkVTN,          qor::kQORSecureStorageAppPNS,
    qor::kQORSecureStoragePublicQorBase64, qor::kQORSecureStoragePrivateQorBase64,
    qor::kQORSecureStorageSensitiveDataEncrypted, qor::kQORSecureStorageSkSessionEncrypted,
    qor::kQORSecureStorageSensitiveDataEncryptedKept, qor::kQORSecureStorageSkSessionEncryptedKept,
    qor::kQORSecureStorageDeviceId,       qor::kQORSecureStorageRsaUtilityPrivate,
    qor::kQORSecureStorageHttpHeaders,
};

// Every stored item, present or not.
Stored storedValues() {
  Stored stored;
  for (const char* key : kAllKeys) stored[key] = qor::QORSecureStorage::dataForKey(key);
  return stored;
}

bool isUuidText(const std::optional<std::string>& text) {
  static const std::regex uuid("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
  return text && std::regex_match(*text, uuid);
}

class EnrollmentTest : public AuthorizationTest {
 protected:
  void SetUp() override {
    AuthorizationTest::SetUp();
    recorder_ = std::make_shared<RecordingDelegate>();
    qor::QOREnrollmentController::updateDeviceToken(std::string("push-token-1"));
  }

  // Runs one enrollment to its report and answers the controller. `atReport` sees the stored values
  // at the moment the delegate hears the status.
  std::shared_ptr<qor::QOREnrollmentController> enrollDevice(
      std::shared_ptr<qor::QOREnrollmentController> controller = nullptr) {
    if (!controller) controller = qor::QOREnrollmentController::create();
    controller->setDelegate(recorder_);
    const size_t before = recorder_->statuses.size();
    recorder_->onFinish = [this] { atReport_ = storedValues(); };
    controller->start();
    waitFor([&] { return recorder_->statuses.size() > before; }, 60);
    return controller;
  }

  qor::QORStatus lastStatus() const { return recorder_->statuses.empty() ? -1 : recorder_->statuses.back(); }

  Json enrolledAtServer() { return server_->command({{"cmd", "state"}})["enrolled"]; }

  // An authorization with the stored enrollment, approved, to its final status.
  qor::QORStatus authorize() {
    const size_t before = presenter_->statuses.size();
    auto controller = runToPause();
    if (!controller->isPaused()) return presenter_->statuses.size() > before ? presenter_->statuses.back() : -1;
    decideAndWait(*controller, [](qor::QORAuthController& c) { c.commitAuth(qor::QORUserAnswerOk); });
    return presenter_->statuses.back();
  }

  Stored atReport_;
  std::shared_ptr<RecordingDelegate> recorder_;
};

TEST_F(EnrollmentTest, AnEnrolledDeviceCanAuthorizeWithTheKeysItSent) {
  auto controller = enrollDevice();
  ASSERT_EQ(recorder_->statuses, std::vector<qor::QORStatus>{1}) << ::testing::PrintToString(refusals());
  EXPECT_EQ(acceptedTypes(), (std::vector<int64_t>{101, 102}));
  EXPECT_TRUE(qor::QOREnrollmentController::isEnrolled());

  // What the server made of the commit: its own nonce derivation, and the values it enrolled.
  const Json session = server_->command({{"cmd", "state"}})["sessions"]["device-1"];
  ASSERT_EQ(session["nonceChecks"].size(), 1u);
  EXPECT_EQ(session["nonceChecks"][0]["type"], 102);
  const Json enrolled = enrolledAtServer()["device-1"];
  const Json facts = enrolled["facts"];
  EXPECT_EQ(qor::QORCommonData::skVTN(), facts["skVTN"].get<std::string>());
  EXPECT_EQ(qor::QORCommonData::enrollmentId(), enrolled["enrollmentId"].get<std::string>());
  EXPECT_EQ(qor::QORCommonData::externalId(), facts["externalId"].get<std::string>());
  EXPECT_EQ(qor::QORSecureStorage::stringForKey(qor::kQORSecureStorageDeviceId), facts["deviceId"].get<std::string>());
  EXPECT_EQ(facts["appPNS"], "push-token-1");
  for (const auto& id : {qor::QORCommonData::enrollmentId(), qor::QORCommonData::externalId(),
                         qor::QORSecureStorage::stringForKey(qor::kQORSecureStorageDeviceId)}) {
    EXPECT_TRUE(isUuidText(id)) << id.value_or("(none)");
  }

  // The stored utility key opens what is sealed under the key the commit sent.
  auto sealed = qor::QORCryptUtilsAsymmetric::encryptData(
      platform::bytesFromString("for the utility key"),
      qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(facts["pubVerification"].get<std::string>()));
  auto utility = qor::QORSecretKey::create(qor::QORSecureStorage::dataForKey(qor::kQORSecureStorageRsaUtilityPrivate), 2);
  EXPECT_EQ(qor::QORCryptUtilsAsymmetric::decryptData(sealed, utility), platform::bytesFromString("for the utility key"));
  // The client's private key lives only in the sealed key store.
  EXPECT_FALSE(qor::QORSecureStorage::dataForKey(qor::kQORSecureStoragePrivateQorBase64));

  // The key store opens with the server's storage key and carries the client key and answer key:
  // the whole authorization chain runs, and the server opens the answer under its answer key.
  EXPECT_EQ(authorize(), 1) << ::testing::PrintToString(refusals());
  ASSERT_EQ(decisions().size(), 1u);
  EXPECT_EQ(decisions()[0]["form"], "sps");
}

TEST_F(EnrollmentTest, AnswersWithoutWhatEnrollmentNeedsFailAndRollBack) {
  const struct {
    const char* name;
    Json script;
    std::vector<int64_t> sent;
  } cases[] = {
      {"prepare without pubSPS", {{"type", 101}, {"codeBlockRemove", {"pubSPS"}}}, {101}},
      {"pubSPS that is no key", {{"type", 101}, {"codeBlockSet", {{"pubSPS", "AAAA"}}}}, {101}},
      {"prepare without pubStorageInitial", {{"type", 101}, {"codeBlockRemove", {"pubStorageInitial"}}}, {101}},
      {"pubStorageInitial that is no key",
       {{"type", 101}, {"codeBlockSet", {{"pubStorageInitial", platform::base64Encode(platform::Bytes(270, 7))}}}},
       {101}},
      {"prepare without a code block", {{"type", 101}, {"bodyRemove", {"actionCodeBlock"}}}, {101}},
      {"commit without skVTN", {{"type", 102}, {"answerRemove", {"skVTN"}}}, {101, 102}},
      {"commit with an empty skVTN", {{"type", 102}, {"answerSet", {{"skVTN", ""}}}}, {101, 102}},
      {"commit with an skVTN that is not text", {{"type", 102}, {"answerSet", {{"skVTN", 7}}}}, {101, 102}},
      {"commit refused by the server", {{"type", 102}, {"httpStatus", 500}, {"json", {{"error", {{"code", 5}}}}}},
       {101, 102}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    const Stored before = storedValues();
    server_->script(Json::array({c.script}));
    enrollDevice();
    EXPECT_EQ(recorder_->statuses, std::vector<qor::QORStatus>{0});
    EXPECT_EQ(acceptedTypes(), c.sent);
    // Restored before the report: the delegate already saw the state of before.
    EXPECT_EQ(atReport_, before);
    EXPECT_EQ(storedValues(), before);
    EXPECT_FALSE(qor::QOREnrollmentController::isEnrolled());
  }
}

TEST_F(EnrollmentTest, AFreshDeviceFailingAtTheCommitKeepsOnlyTheCallsValues) {
  server_->script(Json::array({{{"type", 102}, {"httpStatus", 500}, {"json", {{"error", {{"code", 5}}}}}}}));
  enrollDevice();
  ASSERT_EQ(recorder_->statuses, std::vector<qor::QORStatus>{0});
  const Json failedCommit = server_->requests()[1]["body"];
  for (const char* key : {qor::kQORSecureStorageEnrollmentId, qor::kQORSecureStorageDeviceId,
                          qor::kQORSecureStorageExternalId, qor::kQORSecureStorageRsaUtilityPrivate,
                          qor::kQORSecureStorageSkVTN, qor::kQORSecureStorageSensitiveDataEncrypted,
                          qor::kQORSecureStorageSkSessionEncrypted}) {
    EXPECT_FALSE(qor::QORSecureStorage::dataForKey(key)) << key;
  }
  EXPECT_EQ(qor::QORCommonData::host(), server_->host());
  EXPECT_EQ(qor::QORCommonData::installationId(), "device-1");
  EXPECT_EQ(qor::QORCommonData::pubVtnBase64(), server_->pubVtnBase64());
  EXPECT_EQ(qor::QORCommonData::appPNS(), "push-token-1");

  // The next attempt makes new identifiers and enrolls.
  server_->reset();
  enrollDevice();
  EXPECT_EQ(lastStatus(), 1) << ::testing::PrintToString(refusals());
  const Json commit = server_->requests()[1]["body"];
  EXPECT_NE(commit["deviceId"], failedCommit["deviceId"]);
  EXPECT_NE(commit["externalId"], failedCommit["externalId"]);
  EXPECT_NE(commit["pubVerification"], failedCommit["pubVerification"]);
}

TEST_F(EnrollmentTest, AFailingReEnrollmentLeavesTheOldEnrollmentWorking) {
  enrollDevice();
  ASSERT_EQ(lastStatus(), 1) << ::testing::PrintToString(refusals());
  // An authorization leaves a kept pair beside the current one; a failed run restores both.
  ASSERT_EQ(authorize(), 1) << ::testing::PrintToString(refusals());
  const Stored enrolled = storedValues();
  ASSERT_TRUE(enrolled.at(qor::kQORSecureStorageSkSessionEncryptedKept));

  const Json failures[] = {
      {{"type", 102}, {"httpStatus", 500}, {"json", {{"error", {{"code", 5}}}}}},
      {{"type", 101}, {"codeBlockSet", {{"pubStorageInitial", "AAAA"}}}},
  };
  for (const auto& failure : failures) {
    SCOPED_TRACE(failure.dump());
    server_->script(Json::array({failure}));
    enrollDevice();
    EXPECT_EQ(lastStatus(), 0);
    // The earlier token, identifiers, utility key and sealed key store are back, byte for byte.
    EXPECT_EQ(storedValues(), enrolled);
    EXPECT_EQ(atReport_, enrolled);
  }
  EXPECT_EQ(authorize(), 1) << ::testing::PrintToString(refusals());
}

TEST_F(EnrollmentTest, WithoutAPushTokenNothingIsSentOrWritten) {
  qor::QOREnrollmentController::updateDeviceToken(std::nullopt);
  EXPECT_FALSE(qor::QOREnrollmentController::isReadyForEnrollment());
  const Stored before = storedValues();
  auto controller = qor::QOREnrollmentController::create();
  enrollDevice(controller);
  EXPECT_EQ(recorder_->statuses, std::vector<qor::QORStatus>{56});
  EXPECT_TRUE(server_->requests().empty());
  EXPECT_EQ(storedValues(), before);
  EXPECT_FALSE(controller->started());
}

TEST_F(EnrollmentTest, AKeyStoreThatCannotBeWrittenFailsTheEnrollment) {
  platform::Keychain::shared()->setFailureHook([](platform::KeychainOperation operation, const platform::KeychainQuery& query) {
    const bool write = operation == platform::KeychainOperation::Add || operation == platform::KeychainOperation::Update ||
                       operation == platform::KeychainOperation::Save;
    return write && query.service == qor::kQORSecureStorageSkSessionEncrypted ? platform::errSecNotAvailable : platform::errSecSuccess;
  });
  const Stored before = storedValues();
  enrollDevice();
  platform::Keychain::shared()->setFailureHook(nullptr);
  EXPECT_EQ(recorder_->statuses, std::vector<qor::QORStatus>{0});
  EXPECT_EQ(acceptedTypes(), std::vector<int64_t>{101});
  EXPECT_EQ(storedValues(), before);
}

TEST_F(EnrollmentTest, ASecondRunOfTheSameControllerNeverUndoesTheFirst) {
  auto controller = enrollDevice();
  ASSERT_EQ(lastStatus(), 1) << ::testing::PrintToString(refusals());
  const Stored enrolled = storedValues();
  // The screen starts its controller each time it appears.
  server_->script(Json::array({{{"type", 102}, {"httpStatus", 500}, {"json", {{"error", {{"code", 5}}}}}}}));
  enrollDevice(controller);
  EXPECT_EQ(lastStatus(), 0);
  EXPECT_EQ(acceptedTypes(), (std::vector<int64_t>{101, 102, 101, 102})) << "the server took the second commit";
  EXPECT_EQ(storedValues(), enrolled);
  // A third run starts afresh: only its own records go into its nonce and its commit.
  enrollDevice(controller);
  EXPECT_EQ(lastStatus(), 1) << ::testing::PrintToString(refusals());
  EXPECT_NE(qor::QORSecureStorage::dataForKey(qor::kQORSecureStorageSkVTN), enrolled.at(qor::kQORSecureStorageSkVTN));
  EXPECT_EQ(authorize(), 1) << ::testing::PrintToString(refusals());
}

TEST_F(EnrollmentTest, AStartDuringARunIsRefusedWithoutARollback) {
  auto controller = qor::QOREnrollmentController::create();
  controller->setDelegate(recorder_);
  server_->script(Json::array({{{"type", 101}, {"delay", 0.3}}}));
  controller->start();
  controller->start();
  EXPECT_EQ(recorder_->statuses, std::vector<qor::QORStatus>{60});
  const auto enrollmentId = qor::QORCommonData::enrollmentId();
  EXPECT_TRUE(isUuidText(enrollmentId)) << "the run under way keeps what it wrote";
  waitFor([&] { return recorder_->statuses.size() == 2; }, 60);
  EXPECT_EQ(recorder_->statuses, (std::vector<qor::QORStatus>{60, 1})) << ::testing::PrintToString(refusals());
  EXPECT_EQ(qor::QORCommonData::enrollmentId(), enrollmentId);
}

TEST_F(EnrollmentTest, ACodeBlockWithoutASeedStillGivesTheNonceTheServerExpects) {
  server_->script(Json::array({{{"type", 101}, {"codeBlockRemove", {"seed"}}}}));
  enrollDevice();
  EXPECT_EQ(recorder_->statuses, std::vector<qor::QORStatus>{1}) << ::testing::PrintToString(refusals());
}

// The commit body carries exactly its seven members or is not sent at all.
TEST(EnrollmentMessagesTest, TheCommitBodyHoldsAllSevenMembersOrNone) {
  auto keys = qor::QORCryptUtilsAsymmetric::generateKeyPair();
  auto record = qor::QORSessionArtifact::create(1104);
  auto recordWithoutDictionary = qor::QORSessionArtifact::create(std::nullopt);
  const struct {
    const char* name;
    const char* unstored;  // a stored value left out
    bool withKeys;
    std::vector<std::shared_ptr<qor::QORSessionArtifact>> records;
    bool sent;
  } cases[] = {
      {"everything", nullptr, true, {record}, true},
      {"no records", nullptr, true, {}, true},
      {"no push token", qor::kQORSecureStorageAppPNS, true, {record}, false},
      {"no external identifier", qor::kQORSecureStorageExternalId, true, {record}, false},
      {"no device identifier", qor::kQORSecureStorageDeviceId, true, {record}, false},
      {"no key pairs", nullptr, false, {record}, false},
      {"a record without a dictionary", nullptr, true, {record, recordWithoutDictionary}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform::Keychain::setShared(platform::Keychain::inMemory());
    qor::QORCommonData::setAppPNS(std::string("token"));
    qor::QORCommonData::setExternalId(std::string("external"));
    qor::QORSecureStorage::setString(std::string("device"), qor::kQORSecureStorageDeviceId);
    if (c.unstored) qor::QORSecureStorage::deleteDataForKey(c.unstored);
    auto key = c.withKeys ? keys->publicKey() : nullptr;
    auto body = qor::QORCommitEnrollmentRequestData::create(platform::Bytes(16, 3), key, key, c.records);
    const auto dictionary = body->requestDictionary();
    ASSERT_EQ(dictionary.has_value(), c.sent);
    if (!c.sent) continue;
    EXPECT_EQ(dictionary->size(), 7u);
    EXPECT_EQ(dictionary->at("nonceQOR"), platform::base64Encode(platform::Bytes(16, 3)));
    EXPECT_EQ(dictionary->at("appPNS"), "token");
    EXPECT_EQ(dictionary->at("externalId"), "external");
    EXPECT_EQ(dictionary->at("deviceId"), "device");
    EXPECT_EQ(dictionary->at("pubClient"), platform::base64Encode(*keys->publicKey()->data()));
    EXPECT_EQ(dictionary->at("pubVerification"), platform::base64Encode(*keys->publicKey()->data()));
    EXPECT_EQ(dictionary->at("artifacts").size(), c.records.size());
  }
}

// The token update forgets an enrollment exactly when an enrolled device gets another token.
TEST(EnrollmentTokenTest, ATokenChangeOnAnEnrolledDeviceForgetsExactlyTheEnrollment) {
  const std::set<std::string> forgotten = {"host",      "webSocketHost", "pubVtnBase64",
                                           "installationId", "enrollmentId", "skVTN",
                                           "publicQor", "privateQor",    "utilityPrivateKey"};
  const struct {
    const char* name;
    bool enrolled;
    std::optional<std::string> storedToken;
    std::optional<std::string> newToken;
    bool resets;
  } cases[] = {
      {"enrolled, same token", true, "t1", "t1", false},
      {"enrolled, other token", true, "t1", "t2", true},
      {"enrolled, no token given", true, "t1", std::nullopt, true},
      {"enrolled, none stored", true, std::nullopt, "t1", true},
      {"not enrolled, other token", false, "t1", "t2", false},
      {"not enrolled, no token given", false, "t1", std::nullopt, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform::Keychain::setShared(platform::Keychain::inMemory());
    for (const char* key : kAllKeys) qor::QORSecureStorage::setString(std::string("value of ") + key, key);
    qor::QORCommonData::setHttpHeaders(Json{{"X-Bank", "1"}});
    qor::QORCommonData::setAppPNS(c.storedToken);
    if (!c.enrolled) qor::QORCommonData::setSkVTN(std::nullopt);
    const Stored before = storedValues();

    qor::QOREnrollmentController::updateDeviceToken(c.newToken);

    const Stored after = storedValues();
    for (const char* key : kAllKeys) {
      SCOPED_TRACE(key);
      if (std::string(key) == qor::kQORSecureStorageAppPNS) {
        EXPECT_EQ(qor::QORCommonData::appPNS(), c.newToken);
      } else if (c.resets && forgotten.count(key)) {
        EXPECT_FALSE(after.at(key));
      } else {
        EXPECT_EQ(after.at(key), before.at(key));
      }
    }
    EXPECT_EQ(qor::QOREnrollmentController::isReadyForEnrollment(), c.newToken.has_value());
    EXPECT_EQ(qor::QOREnrollmentController::isEnrolled(), c.enrolled && !c.resets);
  }
}

}  // namespace
}  // namespace qortest
