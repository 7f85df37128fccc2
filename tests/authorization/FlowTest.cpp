// The authorization controller against the reference server, which checks every nonce derivation,
// the records of the commit and the sealing of the user's answer on its own.
#include <gtest/gtest.h>

#include <algorithm>

#include "KivAbstractCore/DeclinedTransactionData.h"
#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "platform/Base64.h"
#include "sdk/QORConstants.h"
#include "sdk/artifacts/QORUserAnswerFactory.h"
#include "tests/authorization/AuthorizationTestSupport.h"

namespace qortest {
namespace {

using platform::Json;
using Decide = std::function<void(qor::QORAuthController&)>;

bool contains(const std::vector<std::string>& texts, const std::string& part) {
  return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

std::vector<int64_t> recordTypes(const Json& decision) {
  std::vector<int64_t> types;
  for (const auto& record : decision["records"]) types.push_back(record["type"].get<int64_t>());
  return types;
}

Decide approve(std::string value) {
  return [value](qor::QORAuthController& c) { c.commitAuth(value); };
}

TEST_F(AuthorizationTest, TwoAuthorizationsInARowEachRotateTheKeyStore) {
  enroll();
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    const auto storeBefore = storedKeyStore();
    const size_t earlier = server_->requests().size();
    auto controller = runToPause();
    ASSERT_TRUE(controller->isPaused()) << ::testing::PrintToString(refusals());
    EXPECT_EQ(presenter_->pauses, std::vector<int32_t>(run, 1));
    EXPECT_EQ(presenter_->statuses, std::vector<qor::QORStatus>(run - 1, 1));
    // Sealed again under the storage key of this wake-up: the next run opens it only with the
    // private key the server hands out then, which the second run proves. The pair that opened is
    // kept beside it, unchanged.
    const auto storeAfter = storedKeyStore();
    EXPECT_NE(storeAfter.current, storeBefore.current);
    EXPECT_EQ(storeAfter.kept, storeBefore.current);

    // What went over the wire, as the server opened it.
    Json requests = server_->requests();
    requests.erase(requests.begin(), requests.begin() + static_cast<std::ptrdiff_t>(earlier));
    ASSERT_EQ(requests.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_TRUE(requests[i]["accepted"].get<bool>());
      EXPECT_EQ(requests[i]["header"]["type"], (std::vector<int64_t>{105, 106, 107, 103}[i]));
    }
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
    EXPECT_EQ(controller->chainType(), "WAKEUP_AUTH_OK");
    EXPECT_EQ(controller->pinCodeLength(), 4);
    EXPECT_FALSE(controller->isFlutter());
    EXPECT_EQ(controller->guiData()->at("argGuiHeader"), "Payment");
    const int64_t timer = controller->guiData()->at("timerSecondsTime").get<int64_t>();
    EXPECT_GE(timer, 100);
    EXPECT_LE(timer, 121);
    EXPECT_EQ(controller->paymentData()->at("argAmount"), "10.00 EUR");
    EXPECT_EQ(controller->flutterGuiData()->at("argGuiText"), "Approve the payment");

    // The records so far: the wake-up's hash, then the prepare's hash and calls.
    const auto records = controller->artifacts();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]->type(), 1102);
    EXPECT_EQ(records[1]->type(), 1102);
    EXPECT_EQ(records[2]->type(), 1104);

    decideAndWait(*controller, approve(qor::QORUserAnswerOk));
    EXPECT_EQ(presenter_->statuses, std::vector<qor::QORStatus>(run, 1)) << ::testing::PrintToString(refusals());
    EXPECT_TRUE(std::all_of(presenter_->onMainQueue.begin(), presenter_->onMainQueue.end(), [](bool b) { return b; }));
    EXPECT_FALSE(controller->started());
    const Json decision = decisions().at(run - 1);
    EXPECT_EQ(decision["form"], "sps");
    EXPECT_EQ(decision["value"], "YES");
    EXPECT_EQ(platform::base64Decode(decision["nonce"].get<std::string>())->size(), 16u);
    // The device lay still: the motion record comes before the answer. The server's own hash of
    // each record equals ours.
    EXPECT_EQ(recordTypes(decision), (std::vector<int64_t>{1102, 1102, 1104, 304, 404}));
    auto sent = controller->artifacts();
    ASSERT_GE(sent.size(), 5u);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(decision["records"][i]["hashCode"].get<uint32_t>(), sent[i]->getHashCode()) << i;
  }
}

struct ChainCase {
  const char* name;
  bool pinKey;       // the device has a PIN key and every transaction carries it
  Json transaction;  // members of the prepare body
  bool fallback;     // the user fell back from biometrics to the PIN
  Decide decide;
  int64_t type;       // of the answer the server opened
  const char* form;   // how it opened it: "sps" (answer key), "pin" (PIN key) or "plain"
  std::string value;  // what it found
};

TEST_F(AuthorizationTest, TheAnswerTypeFollowsTheChainAndItsSealingIsOpenedByTheServer) {
  const auto chain = [](const char* type) { return Json{{"chainType", type}}; };
  const auto forgot = [](bool forgotPin) {
    return [forgotPin](qor::QORAuthController& c) { c.cancelAuth(qor::DeclinedTransactionData::create(forgotPin)); };
  };
  const Decide decline = [](qor::QORAuthController& c) { c.cancelAuth(); };
  Json pinWithEmptyKey = chain("WAKEUP_AUTH_PIN");
  pinWithEmptyKey["argCustomEncryptionPinKey"] = "";
  const ChainCase cases[] = {
      {"confirm", false, chain("WAKEUP_AUTH_OK"), false, approve("YES"), 404, "sps", "YES"},
      {"PIN under the PIN key", true, chain("WAKEUP_AUTH_PIN"), false, approve("123456"), 402, "pin", "123456"},
      {"PIN without a PIN key", false, chain("WAKEUP_AUTH_PIN"), false, approve("1234"), 402, "plain", "1234"},
      {"PIN with an empty PIN key", true, pinWithEmptyKey, false, approve("1234"), 402, "plain", "1234"},
      {"biometric approval", true, chain("WAKEUP_AUTH_BIOMETRIC_OK"), false, approve("FACE3DMAP"), 405, "plain",
       "FACE3DMAP"},
      {"biometric fallback to the PIN key", true, chain("WAKEUP_AUTH_BIOMETRIC_OK"), true, approve("2468"), 402, "pin",
       "2468"},
      {"biometric fallback without a PIN key", false, chain("WAKEUP_AUTH_BIOMETRIC_OK"), true, approve("2468"), 402,
       "plain", "2468"},
      {"new PIN", true, chain("WAKEUP_AUTH_SET_PIN"), false, approve("5678"), 413, "pin", "5678"},
      {"unknown chain", true, chain("OTHER"), false, approve("YES"), 412, "sps", "YES"},
      {"no chain type", false, {{"chainType", nullptr}}, false, approve("YES"), 412, "sps", "YES"},
      {"decline", true, chain("WAKEUP_AUTH_PIN"), false, decline, 401, "sps", "NO"},
      {"decline from the cross-platform UI", false, chain("WAKEUP_AUTH_OK"), false, forgot(false), 401, "sps", "NO"},
      {"forgotten PIN", true, chain("WAKEUP_AUTH_PIN"), false, forgot(true), 414, "sps", "YES"},
      // After a fallback every answer counts as a PIN answer for its sealing.
      {"decline after a fallback", true, chain("WAKEUP_AUTH_BIOMETRIC_OK"), true, decline, 401, "pin", "NO"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll(c.pinKey, c.transaction);
    auto controller = runToPause();
    ASSERT_TRUE(controller->isPaused()) << ::testing::PrintToString(refusals());
    controller->setIsFallbackUsed(c.fallback);
    decideAndWait(*controller, c.decide);
    EXPECT_EQ(presenter_->statuses, std::vector<qor::QORStatus>{1}) << ::testing::PrintToString(refusals());
    ASSERT_EQ(decisions().size(), 1u);
    const Json decision = decisions()[0];
    EXPECT_EQ(decision["type"], c.type);
    EXPECT_EQ(decision["form"], c.form);
    EXPECT_EQ(decision["value"], c.value);
    // A sealed answer carries a fresh nonce; a plain one none.
    EXPECT_EQ(decision["nonce"].is_null(), std::string(c.form) == "plain");
  }
}

TEST_F(AuthorizationTest, TheServerRefusesAWronglySealedAnswer) {
  const struct {
    const char* name;
    bool pinKey;
    bool sealUnderAnswerKey;  // else plain
    int64_t type;
  } cases[] = {
      {"a biometric approval sealed", false, true, qor::QORUserAnswerTypeAuthResultBiometric},
      {"a PIN sent plain although a PIN key was given", true, false, qor::QORUserAnswerTypeAuthResultPin},
      {"a PIN under the answer key", true, true, qor::QORUserAnswerTypeAuthResultPin},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll(c.pinKey);
    auto controller = runToPause([&](SpoilableAuthController& flow) {
      flow.answer = [&](qor::QORAuthController& self, int64_t, const std::string& value) {
        return qor::QORUserAnswerFactory().createUserAnswerOfType(c.type, value, self.pubSps(), c.sealUnderAnswerKey);
      };
    });
    ASSERT_TRUE(controller->isPaused());
    decideAndWait(*controller, approve("1234"));
    EXPECT_EQ(presenter_->statuses, std::vector<qor::QORStatus>{0});
    EXPECT_TRUE(contains(refusals(), "user answer:")) << ::testing::PrintToString(refusals());
    EXPECT_TRUE(decisions().empty());
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
    const auto spoil = [](qor::QORAuthController& controller) {
      platform::Bytes nonce = *controller.nonce();
      nonce[0] ^= 1;
      controller.setNonce(nonce);
    };
    auto controller = runToPause([&](SpoilableAuthController& flow) {
      flow.afterSave = [&, spoil](qor::QORAuthController& f, const qor::QORBaseClientAction& action) {
        if (action.actionType() == c.spoiledAfter) spoil(f);
      };
      flow.afterCommitNonce = [&, spoil](qor::QORAuthController& f) {
        if (c.spoiledAfter == 104) spoil(f);
      };
    });
    if (controller->isPaused()) decideAndWait(*controller, approve("YES"));
    EXPECT_EQ(presenter_->statuses, std::vector<qor::QORStatus>{0});
    EXPECT_EQ(acceptedTypes(), c.accepted);
    EXPECT_TRUE(contains(refusals(), c.rule)) << ::testing::PrintToString(refusals());
  }
}

TEST_F(AuthorizationTest, ARecordWithoutADictionaryFailsTheCommitWithoutSendingIt) {
  const struct {
    const char* name;
    Json transaction;
    Json wakeUpScript;  // how the server answers the wake-up
  } cases[] = {
      {"a PIN key that is not a key, so the answer cannot be sealed",
       {{"chainType", "WAKEUP_AUTH_PIN"}, {"argCustomEncryptionPinKey", "AAAA"}}, Json::object()},
      {"a wake-up code block without an id", Json::object(), {{"type", 105}, {"codeBlockMembersRemove", {"id"}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll(false, c.transaction);
    if (!c.wakeUpScript.empty()) server_->script(Json::array({c.wakeUpScript}));
    auto controller = runToPause();
    ASSERT_TRUE(controller->isPaused());
    decideAndWait(*controller, approve("1234"));
    EXPECT_EQ(presenter_->statuses, std::vector<qor::QORStatus>{0});
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
      {"skVTN that is not Base64", {{"type", 106}, {"answerSet", {{"skVTN", "not base64!"}}}}},
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
    settle();
    EXPECT_FALSE(controller->isPaused());
    EXPECT_TRUE(presenter_->pauses.empty());
    EXPECT_EQ(presenter_->statuses, std::vector<qor::QORStatus>{0});
    EXPECT_EQ(server_->requests().size(), 2u) << "the second step is never sent";
    EXPECT_FALSE(controller->motionArtifact()->isTrackingMotions());
  }
}

}  // namespace
}  // namespace qortest
