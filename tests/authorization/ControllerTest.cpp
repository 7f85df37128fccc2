// The authorization controller's own rules against the reference server: the key store after the
// wake-up, the one decision, the records it adds (motion, device integrity), and how failures of
// the transport and the server end the run.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsB64.h"
#include "common/storage/QORCommonData.h"
#include "common/transport/QORNetworkingUtils.h"
#include "common/transport/QORWebSocketRoad.h"
#include "platform/Clock.h"
#include "platform/devices/Device.h"
#include "platform/devices/SimulatedMotion.h"
#include "platform/http/URLError.h"
#include "platform/http/URLSession.h"
#include "sdk/QORConstants.h"
#include "sdk/integrity/QORIntegrityArtifact.h"
#include "tests/authorization/AuthorizationTestSupport.h"

namespace qortest {
namespace {

using platform::Json;

std::vector<int64_t> recordTypes(const Json& decision) {
  std::vector<int64_t> types;
  for (const auto& record : decision["records"]) types.push_back(record["type"].get<int64_t>());
  return types;
}

std::string base64Key(const std::shared_ptr<qor::QORKeyPair>& pair) {
  return *qor::QORCryptUtilsB64::encodeDataToString(pair->publicKey()->data());
}

TEST_F(AuthorizationTest, AKeyStoreThatDoesNotOpenEndsTheRunWith64AndStaysAsItWas) {
  const struct {
    const char* name;
    bool reEnrolAtServer;  // the server moved to another storage key: the client's store is stale
    Json script;           // how the server answers the wake-up
  } cases[] = {
      {"a stale storage key", true, Json::object()},
      {"no storage key", false, {{"type", 105}, {"codeBlockRemove", {"prvStorageCurrent"}}}},
      {"a storage key that is not Base64", false, {{"type", 105}, {"codeBlockSet", {{"prvStorageCurrent", "%%"}}}}},
      {"a storage key of another kind", false,
       {{"type", 105}, {"codeBlockSet", {{"prvStorageCurrent", base64Key(qor::QORCryptUtilsAsymmetric::generateKeyPairDh())}}}}},
      {"a wake-up without a code block", false, {{"type", 105}, {"codeBlock", nullptr}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll();
    if (c.reEnrolAtServer) {
      ASSERT_TRUE(server_->command({{"cmd", "enroll"}, {"installationId", "device-1"}, {"enrollmentId", "E-1"},
                                    {"pubClient", base64Key(clientKeys_)}})["ok"].get<bool>());
    }
    if (!c.script.empty()) server_->script(Json::array({c.script}));
    const auto storeBefore = storedKeyStore();
    ASSERT_TRUE(storeBefore.current.sensitiveData && storeBefore.current.skSession);
    auto controller = runToPause();
    settle();
    EXPECT_EQ(presenter_->statuses, std::vector<qor::QORStatus>{64});
    EXPECT_TRUE(presenter_->pauses.empty());
    EXPECT_EQ(server_->requests().size(), 1u) << "no handshake is sent";
    EXPECT_EQ(storedKeyStore(), storeBefore);
    EXPECT_FALSE(controller->started());
    EXPECT_FALSE(controller->motionArtifact()->isTrackingMotions());
  }
}

TEST_F(AuthorizationTest, AFailedResealingKeepsThePreviousSealingAndTheRunGoesOn) {
  const struct {
    const char* name;
    Json script;
  } cases[] = {
      {"no next storage key", {{"type", 105}, {"codeBlockRemove", {"pubStorageNext"}}}},
      {"a next storage key that is not a key", {{"type", 105}, {"codeBlockSet", {{"pubStorageNext", "AAAA"}}}}},
      {"a next storage key of another kind",
       {{"type", 105}, {"codeBlockSet", {{"pubStorageNext", base64Key(qor::QORCryptUtilsAsymmetric::generateKeyPairDh())}}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll();
    server_->script(Json::array({c.script}));
    const auto storeBefore = storedKeyStore();
    auto controller = runToPause();
    ASSERT_TRUE(controller->isPaused()) << ::testing::PrintToString(server_->requests());
    EXPECT_EQ(storedKeyStore(), storeBefore);
    decideAndWait(*controller, [](qor::QORAuthController& auth) { auth.commitAuth("YES"); });
    EXPECT_EQ(presenter_->statuses, std::vector<qor::QORStatus>{1});
    EXPECT_EQ(storedKeyStore(), storeBefore);
  }
}

TEST_F(AuthorizationTest, NotEnrolledEndsWith52AndSendsNothing) {
  auto controller = runToPause();
  settle();
  EXPECT_EQ(presenter_->statuses, std::vector<qor::QORStatus>{52});
  EXPECT_TRUE(presenter_->pauses.empty());
  EXPECT_TRUE(server_->requests().empty());
  EXPECT_FALSE(controller->started());
  EXPECT_EQ(controller->pubQORDH(), nullptr) << "no run was set up";
  EXPECT_FALSE(controller->motionArtifact()->isTrackingMotions());
}

TEST_F(AuthorizationTest, OnlyOneDecisionWhilePausedIsTaken) {
  const struct {
    const char* name;
    std::function<void(qor::QORAuthController&)> beforePause;  // right after start, while running
    std::function<void(qor::QORAuthController&)> decide;        // once paused
    std::function<void(qor::QORAuthController&)> afterEnd;     // once the final status arrived
    std::optional<int64_t> answerType;                          // of the one commit, or none sent
  } cases[] = {
      {"a second approval at once", {}, [](auto& c) { c.commitAuth("YES"); c.commitAuth("YES"); }, {}, 404},
      {"a decline after an approval", {}, [](auto& c) { c.commitAuth("YES"); c.cancelAuth(); }, {}, 404},
      {"an approval after a decline", {}, [](auto& c) { c.cancelAuth(); c.commitAuth("YES"); }, {}, 401},
      {"a decision before the pause", [](auto& c) { c.cancelAuth(); }, [](auto& c) { c.commitAuth("YES"); }, {}, 404},
      {"a decision after the run ended", {}, [](auto& c) { c.commitAuth("YES"); }, [](auto& c) { c.cancelAuth(); }, 404},
      {"a decision after the presenter ended the run", {},
       [](auto& c) { c.endWithoutDecision(); c.commitAuth("YES"); }, {}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll();
    auto controller = SpoilableAuthController::create(4711);
    controller->setDelegate(presenter_);
    controller->start();
    if (c.beforePause) c.beforePause(*controller);
    waitFor([&] { return controller->isPaused(); });
    ASSERT_TRUE(controller->isPaused());
    c.decide(*controller);
    if (c.answerType) waitFor([&] { return !presenter_->statuses.empty(); });
    if (c.afterEnd) c.afterEnd(*controller);
    settle();
    EXPECT_EQ(presenter_->pauses, std::vector<int32_t>{1});
    if (!c.answerType) {
      EXPECT_TRUE(presenter_->statuses.empty());
      EXPECT_EQ(server_->requests().size(), 4u) << "no commit is sent";
      EXPECT_FALSE(controller->motionArtifact()->isTrackingMotions());
      continue;
    }
    EXPECT_EQ(presenter_->statuses, std::vector<qor::QORStatus>{1});
    EXPECT_EQ(acceptedTypes(), (std::vector<int64_t>{105, 106, 107, 103, 104}));
    ASSERT_EQ(decisions().size(), 1u);
    EXPECT_EQ(decisions()[0]["type"], *c.answerType);
  }
}

struct MotionCase {
  const char* name;
  std::optional<platform::CMAcceleration> beforeStart;  // from before the controller is made
  std::optional<platform::CMAcceleration> whilePaused;  // from 0.5 s into the pause, in virtual time
  bool decline;
  bool motionRecord;  // the commit carries the no-motion record
};

TEST_F(AuthorizationTest, TheNoMotionRecordTravelsOnlyWhenTheDeviceLayStill) {
  const MotionCase cases[] = {
      {"lying still", std::nullopt, std::nullopt, false, true},
      {"lying still, declined", std::nullopt, std::nullopt, true, true},
      {"at the thresholds, not beyond", std::nullopt, platform::CMAcceleration{0.05, -0.05, 0.12}, false, true},
      {"lifted during the pause", std::nullopt, platform::CMAcceleration{0, 0, 0.13}, false, false},
      {"shaken sideways during the pause, declined", std::nullopt, platform::CMAcceleration{-0.06, 0, 0}, true, false},
      {"moving from the start", platform::CMAcceleration{0, 0.2, 0}, std::nullopt, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll();
    if (c.beforeStart) platform::SimulatedMotion::setUserAcceleration(*c.beforeStart);
    auto controller = runToPause();
    ASSERT_TRUE(controller->isPaused());
    {
      // The network is quiet during the pause, so the sampler can be driven in virtual time.
      platform::VirtualTime time;
      if (c.whilePaused) platform::SimulatedMotion::setUserAccelerationAfter(platform::seconds(0.5), *c.whilePaused);
      platform::MainQueue::shared()->runFor(platform::seconds(2));
      EXPECT_EQ(controller->motionArtifact()->hasDetectedMotion(), !c.motionRecord);
      EXPECT_EQ(controller->motionArtifact()->isTrackingMotions(), c.motionRecord) << "sampling stops at motion";
    }
    decideAndWait(*controller, [&](qor::QORAuthController& a) {
      if (c.decline) {
        a.cancelAuth();
      } else {
        a.commitAuth("YES");
      }
    });
    EXPECT_EQ(presenter_->statuses, std::vector<qor::QORStatus>{1});
    EXPECT_FALSE(controller->motionArtifact()->isTrackingMotions()) << "the decision stops sampling";
    const int64_t answer = c.decline ? 401 : 404;
    const auto expected = c.motionRecord ? std::vector<int64_t>{1102, 1102, 1104, 304, answer}
                                         : std::vector<int64_t>{1102, 1102, 1104, answer};
    EXPECT_EQ(recordTypes(decisions().at(0)), expected);
  }
}

TEST_F(AuthorizationTest, SamplingStopsWhenThePresenterEndsTheRunOrLetsTheControllerGo) {
  enroll();
  auto controller = runToPause();
  ASSERT_TRUE(controller->isPaused());
  EXPECT_TRUE(controller->motionArtifact()->isTrackingMotions());
  controller->endWithoutDecision();
  EXPECT_FALSE(controller->motionArtifact()->isTrackingMotions());

  server_->reset();
  enroll();
  auto second = runToPause();
  ASSERT_TRUE(second->isPaused());
  std::weak_ptr<qor::QORMotionArtifact> record = second->motionArtifact();
  second.reset();
  EXPECT_TRUE(record.expired()) << "the record goes with its controller, and its timer with it";
}

TEST_F(AuthorizationTest, IntegrityFindingsTravelBeforeTheAnswer) {
  enroll();
  platform::Device::setIntegrityCompromised(true);
  // The probe observes what the process would show under a debugger, with a preloaded library,
  // as root; the device flag comes from the simulated device itself.
  qor::QORDeviceIntegrity::setProbe([] {
    auto seen = qor::QORDeviceIntegrity::observeProcess();
    seen.tracerPid = 4242;
    seen.preloadSources = {"LD_PRELOAD"};
    seen.runsAsRoot = true;
    return seen;
  });
  auto controller = runToPause();
  ASSERT_TRUE(controller->isPaused());
  decideAndWait(*controller, [](qor::QORAuthController& c) { c.commitAuth("YES"); });
  EXPECT_EQ(presenter_->statuses, std::vector<qor::QORStatus>{1}) << ::testing::PrintToString(refusals());
  const Json decision = decisions().at(0);
  EXPECT_EQ(recordTypes(decision), (std::vector<int64_t>{1102, 1102, 1104, 304, 320, 321, 322, 323, 404}));
  const auto sent = controller->artifacts();
  for (size_t i = 4; i < 8; ++i) {
    EXPECT_EQ(decision["records"][i]["className"], "IntegrityArtifact");
    EXPECT_EQ(decision["records"][i]["hashCode"].get<uint32_t>(), sent[i]->getHashCode()) << i;
  }
  EXPECT_EQ(sent[4]->requestDictionary()->at("detail"), "TracerPid 4242");
  EXPECT_EQ(sent[7]->requestDictionary()->at("finding"), "DEVICE_COMPROMISED");
}

// Answers every request as the HTTPS road does, except the chosen step, which fails the way the
// HTTPS road reports the platform's "not connected" (-1009). No socket on loopback can be made to
// fail so.
class OfflineAtStep : public qor::QORWebSocketRoad {
 public:
  explicit OfflineAtStep(int step) : step_(step) {}
  void useWebSocket(const platform::URLRequest& request, bool, qor::QORNetworkingCompletion completion) override {
    if (++seen_ != step_) {
      qor::QORNetworkingUtils::useHttps(request, std::move(completion));
      return;
    }
    platform::MainQueue::shared()->post([completion = std::move(completion)] {
      qor::QORNetworkingUtils::finishDataTaskWithData(
          std::nullopt, platform::urlError(platform::kURLErrorNotConnectedToInternet), 0, completion);
    });
  }

 private:
  const int step_;
  int seen_ = 0;
};

TEST_F(AuthorizationTest, TransportAndServerErrorsEndTheRunWithTheirStatus) {
  const auto errorAnswer = [](int64_t code) {
    return Json{{"type", 106}, {"httpStatus", 500}, {"json", {{"error", {{"code", code}, {"message", "refused"}}}}}};
  };
  const struct {
    const char* name;
    Json script;
    bool offlineAtStep1;
    double requestTimeout;
    bool loopFailsAtStep1;  // the URL session's calls into libcurl's multi interface fail
    qor::QORStatus status;
    std::vector<int64_t> seenByServer;
  } cases[] = {
      // 1000 - 1009 = -9 -> 20
      {"not connected (-1009)", Json::object(), true, 60, false, 20, {105}},
      // 1000 - 1001 = -1 -> 60: the server answers after the idle time-out.
      {"timed out (-1001)", {{"type", 106}, {"delay", 3}}, false, 1, false, 60, {105, 106}},
      // 1000 - 983 = 17 -> 44
      {"server error -983", errorAnswer(-983), false, 60, false, 44, {105, 106}},
      {"server error -1009", errorAnswer(-1009), false, 60, false, 20, {105, 106}},
      {"server error not in the table", errorAnswer(-500), false, 60, false, 0, {105, 106}},
      // A transport error of its own (-1), never a spinning session that leaves the run unended.
      {"the session's transfer loop fails", Json::object(), false, 60, true, 0, {105}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll();
    if (!c.script.empty()) server_->script(Json::array({c.script}));
    if (c.offlineAtStep1) {
      qor::QORCommonData::setWebSocketHost(std::string("wss://127.0.0.1:9/"));
      qor::QORNetworkingUtils::setWebSocketRoad(std::make_shared<OfflineAtStep>(2));
    }
    // The shorter idle time-out applies from the first handshake step on: the wake-up's answer may
    // take the server a while (it makes a storage key), all the more on a loaded machine.
    auto controller = runToPause([&](SpoilableAuthController& flow) {
      flow.afterSave = [&](qor::QORAuthController&, const qor::QORBaseClientAction& action) {
        if (action.actionType() != 105) return;
        platform::URLSession::shared()->setTimeoutIntervalForRequest(c.requestTimeout);
        if (c.loopFailsAtStep1) platform::URLSession::shared()->failMultiCallsForTesting(CURLM_INTERNAL_ERROR);
      };
    });
    qor::QORNetworkingUtils::setWebSocketRoad(nullptr);
    platform::URLSession::shared()->failMultiCallsForTesting(CURLM_OK);
    // A late answer of the stalled server must not start anything either.
    waitFor([] { return false; }, c.requestTimeout < 60 ? 3 : 0.2);
    EXPECT_EQ(presenter_->statuses, std::vector<qor::QORStatus>{c.status});
    EXPECT_TRUE(presenter_->pauses.empty());
    std::vector<int64_t> seen;
    for (const auto& request : server_->requests()) seen.push_back(request["header"]["type"].get<int64_t>());
    EXPECT_EQ(seen, c.seenByServer) << "the next step is never sent";
  }
}

}  // namespace
}  // namespace qortest
