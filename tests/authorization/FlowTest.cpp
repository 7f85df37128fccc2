// The five authorization actions against the reference server, which checks every nonce
// derivation, the records of the commit and the sealing of the user's answer on its own.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/crypto/QORCryptUtils.h"
#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "platform/Base64.h"
#include "platform/keychain/Keychain.h"
#include "sdk/QORConstants.h"
#include "sdk/artifacts/QORUserAnswerFactory.h"
#include "tests/authorization/AuthorizationTestSupport.h"

namespace qortest {
namespace {

using platform::Json;

std::shared_ptr<qor::QORSessionArtifact> sealedAnswer(int64_t type, const std::string& value,
                                                      const std::shared_ptr<qor::QORSecretKey>& key, bool seal) {
  return qor::QORUserAnswerFactory().createUserAnswerOfType(type, value, key, seal);
}

bool contains(const std::vector<std::string>& texts, const std::string& part) {
  return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

TEST_F(AuthorizationTest, FiveActionsRunAndTheServerAcceptsEveryDerivation) {
  enroll();
  auto controller = runToPause();
  ASSERT_TRUE(controller->paused) << ::testing::PrintToString(refusals());
  EXPECT_TRUE(recorder_->statuses.empty());
  EXPECT_EQ(acceptedTypes(), (std::vector<int64_t>{105, 106, 107, 103}));

  // What went over the wire, as the server opened it.
  const Json requests = server_->requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0]["body"]["artifacts"], Json::array());
  EXPECT_EQ(requests[0]["body"]["sessionId"], 4711);
  for (size_t i : {0, 1}) EXPECT_TRUE(requests[i]["header"].contains("symmetricKeyQOR"));
  for (size_t i : {2, 3}) {
    EXPECT_EQ(requests[i]["header"].size(), 3u);
    EXPECT_FALSE(requests[i]["header"].contains("symmetricKeyQOR"));
  }
  EXPECT_EQ(requests[3]["body"].size(), 1u);
  const Json session = server_->command({{"cmd", "state"}})["sessions"]["device-1"];
  ASSERT_EQ(session["nonceChecks"].size(), 2u);
  EXPECT_EQ(session["nonceChecks"][0]["rule"], "MD5(pubQORDH || wake-up seed)");
  EXPECT_EQ(session["nonceChecks"][1]["rule"], "MD5(pubQORDH || pubVTNDH || wake-up seed)");

  // The transaction, from the prepare answer's code block.
  auto block = controller->prepareAnswer->codeBlock();
  EXPECT_EQ(block->chainType(), "WAKEUP_AUTH_OK");
  EXPECT_EQ(block->pinCodeLength(), 4);
  EXPECT_EQ(block->guiData()->at("argGuiHeader"), "Payment");
  const int64_t timer = block->guiData()->at("timerSecondsTime").get<int64_t>();
  EXPECT_GE(timer, 100);
  EXPECT_LE(timer, 121);
  EXPECT_EQ(block->paymentData()->at("argAmount"), "10.00 EUR");

  // The records so far: the wake-up's hash, then the prepare's hash and calls.
  const auto records = controller->artifacts();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0]->type(), 1102);
  EXPECT_EQ(records[1]->type(), 1102);
  EXPECT_EQ(records[2]->type(), 1104);

  auto answer = sealedAnswer(qor::QORUserAnswerTypeAuthResultOK, qor::QORUserAnswerOk, controller->pubSps, true);
  commitAndWait(*controller, {answer});
  EXPECT_EQ(recorder_->statuses, std::vector<qor::QORStatus>{1}) << ::testing::PrintToString(refusals());
  const Json decision = decisions().at(0);
  EXPECT_EQ(decision["form"], "sps");
  EXPECT_EQ(decision["value"], "YES");
  EXPECT_EQ(platform::base64Decode(decision["nonce"].get<std::string>())->size(), 16u);
  // The server's own hash of each record it received.
  ASSERT_EQ(decision["records"].size(), 4u);
  auto sent = controller->artifacts();
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(decision["records"][i]["hashCode"].get<uint32_t>(), sent[i]->getHashCode()) << i;

  // The key store was sealed again under the next storage key, which the server now holds: a
  // second authorization opens it.
  auto second = runToPause();
  EXPECT_TRUE(second->paused) << ::testing::PrintToString(refusals());
  EXPECT_EQ(recorder_->statuses, std::vector<qor::QORStatus>{1});
}

struct SealingCase {
  const char* name;
  bool pinKey;            // the device has a PIN key and the transaction carries it
  Json transaction;       // members of the prepare body
  int64_t type;
  std::string value;
  enum Key { kAnswerKey, kPinKey, kNone } key;
  bool seal;
  qor::QORStatus status;  // of the commit
  const char* form;       // how the server opened the answer
};

TEST_F(AuthorizationTest, EachAnswerTypeIsOpenedByTheServer) {
  const Json noPinKey = {{"argCustomEncryptionPinKey", ""}};
  const SealingCase cases[] = {
      {"approve", false, {}, qor::QORUserAnswerTypeAuthResultOK, "YES", SealingCase::kAnswerKey, true, 1, "sps"},
      {"decline", false, {}, qor::QORUserAnswerTypeAuthResultCancel, "NO", SealingCase::kAnswerKey, true, 1, "sps"},
      {"forgotten PIN", false, {}, qor::QORUserAnswerTypeAuthResultForgotPin, "YES", SealingCase::kAnswerKey, true, 1,
       "sps"},
      {"unknown chain", false, {{"chainType", "OTHER"}}, qor::QORUserAnswerTypeAuthResultDeviceInfo, "YES",
       SealingCase::kAnswerKey, true, 1, "sps"},
      {"biometric approval", false, {{"chainType", "WAKEUP_AUTH_BIOMETRIC_OK"}},
       qor::QORUserAnswerTypeAuthResultBiometric, "FACE3DMAP", SealingCase::kNone, false, 1, "plain"},
      {"PIN under the PIN key", true, {{"chainType", "WAKEUP_AUTH_PIN"}}, qor::QORUserAnswerTypeAuthResultPin,
       "123456", SealingCase::kPinKey, true, 1, "pin"},
      {"new PIN under the PIN key", true, {{"chainType", "WAKEUP_AUTH_SET_PIN"}},
       qor::QORUserAnswerTypeAuthResultSetPin, "5678", SealingCase::kPinKey, true, 1, "pin"},
      {"PIN without a PIN key goes plain", false, noPinKey, qor::QORUserAnswerTypeAuthResultPin, "1234",
       SealingCase::kNone, false, 1, "plain"},
      // The server's own checks refuse a wrongly sealed answer.
      {"a biometric approval sealed", false, {}, qor::QORUserAnswerTypeAuthResultBiometric, "FINGERPRINT",
       SealingCase::kAnswerKey, true, 0, nullptr},
      {"a PIN sent plain although a PIN key was given", true, {}, qor::QORUserAnswerTypeAuthResultPin, "1234",
       SealingCase::kNone, false, 0, nullptr},
      {"a PIN under the answer key", true, {}, qor::QORUserAnswerTypeAuthResultPin, "1234", SealingCase::kAnswerKey,
       true, 0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll(c.pinKey, c.transaction);
    auto controller = runToPause();
    ASSERT_TRUE(controller->paused);
    const Json& prepareBody = *controller->prepareAnswer->codeBlock()->flutterGuiData();
    std::shared_ptr<qor::QORSecretKey> key;
    if (c.key == SealingCase::kAnswerKey) key = controller->pubSps;
    if (c.key == SealingCase::kPinKey) {
      key = qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(
          prepareBody.value("argCustomEncryptionPinKey", std::string()));
    }
    commitAndWait(*controller, {sealedAnswer(c.type, c.value, key, c.seal)});
    EXPECT_EQ(recorder_->statuses, std::vector<qor::QORStatus>{c.status}) << ::testing::PrintToString(refusals());
    if (!c.form) {
      EXPECT_TRUE(contains(refusals(), "user answer:")) << ::testing::PrintToString(refusals());
      continue;
    }
    ASSERT_EQ(decisions().size(), 1u);
    const Json decision = decisions()[0];
    EXPECT_EQ(decision["type"], c.type);
    EXPECT_EQ(decision["form"], c.form);
    EXPECT_EQ(decision["value"], c.value);
  }
}

TEST_F(AuthorizationTest, TheServerRefusesANonceThatIsNotDerivedFromTheSeed) {
  const struct {
    const char* name;
    int64_t spoiledAfter;  // the nonce set after this type's answer is replaced; 104: the commit's
    std::vector<int64_t> accepted;
    const char* rule;
  } cases[] = {
      {"handshake step 1", 105, {105}, "MD5(pubQORDH || wake-up seed)"},
      {"handshake step 2", 106, {105, 106}, "MD5(pubQORDH || pubVTNDH || wake-up seed)"},
      {"commit", 104, {105, 106, 107, 103}, "MD5(prepare seed)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll();
    const auto spoil = [](FlowController& controller) {
      platform::Bytes nonce = *controller.nonce();
      nonce[0] ^= 1;
      controller.setNonce(nonce);
    };
    auto controller = runToPause([&](FlowController& flow) {
      flow.afterSave = [&, spoil](FlowController& f, const qor::QORBaseClientAction& action) {
        if (action.actionType() == c.spoiledAfter) spoil(f);
      };
      flow.beforeCommit = [&, spoil](FlowController& f) {
        if (c.spoiledAfter == 104) spoil(f);
      };
    });
    if (controller->paused) commitAndWait(*controller, {sealedAnswer(404, "YES", controller->pubSps, true)});
    EXPECT_EQ(recorder_->statuses, std::vector<qor::QORStatus>{0});
    EXPECT_EQ(acceptedTypes(), c.accepted);
    EXPECT_TRUE(contains(refusals(), c.rule)) << ::testing::PrintToString(refusals());
  }
}

TEST_F(AuthorizationTest, ARecordWithoutADictionaryFailsTheCommitWithoutSendingIt) {
  const struct {
    const char* name;
    Json wakeUpScript;  // how the server answers the wake-up
    bool sealable;      // the user's answer can be sealed
  } cases[] = {
      {"an answer that could not be sealed", Json::object(), false},
      {"a wake-up code block without an id", {{"type", 105}, {"codeBlockMembersRemove", {"id"}}}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll();
    if (!c.wakeUpScript.empty()) server_->script(Json::array({c.wakeUpScript}));
    auto controller = runToPause();
    ASSERT_TRUE(controller->paused);
    commitAndWait(*controller, {sealedAnswer(404, "YES", c.sealable ? controller->pubSps : nullptr, true)});
    EXPECT_EQ(recorder_->statuses, std::vector<qor::QORStatus>{0});
    // Nothing of the commit reached the server: not a plain answer, not a list without the record.
    EXPECT_EQ(server_->requests().size(), 4u);
    EXPECT_TRUE(decisions().empty());
  }
}

TEST_F(AuthorizationTest, AHandshakeAnswerWithoutAUsableKeyEndsTheRunBeforeTheSecondStep) {
  const struct {
    const char* name;
    Json script;
  } cases[] = {
      {"no skVTN", {{"type", 106}, {"answerRemove", {"skVTN"}}}},
      {"skVTN that is not text", {{"type", 106}, {"answerSet", {{"skVTN", 42}}}}},
      {"skVTN that does not open", {{"type", 106}, {"answerSet", {{"skVTN", std::string(344, 'A')}}}}},
      {"a body without the server's key", {{"type", 106}, {"bodyRemove", {"pubVTNDH"}}}},
      {"a server key off the curve", {{"type", 106}, {"bodySet", {{"pubVTNDH", platform::base64Encode(platform::Bytes(92, 4))}}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll();
    server_->script(Json::array({c.script}));
    auto controller = runToPause();
    EXPECT_FALSE(controller->paused);
    EXPECT_EQ(recorder_->statuses, std::vector<qor::QORStatus>{0});
    EXPECT_EQ(server_->requests().size(), 2u) << "the second step is never sent";
  }
}

}  // namespace
}  // namespace qortest
