// The native road end to end: the manager brings the host on screen when the run pauses, the host
// shows the screen that the chain and the device ask for, the user taps, and the server opens the
// answer the screens produced.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Queue.h"
#include "platform/devices/SimulatedBiometrics.h"
#include "platform/ui/AlertController.h"
#include "platform/ui/TransitionLog.h"
#include "platform/ui/Window.h"
#include "sdk/presentation/QORAuthViewController.h"
#include "tests/presenters/PresenterTestSupport.h"
#include "ui/biometric/QORBiometricAuthViewController.h"
#include "ui/confirm/QORCommitAuthViewController.h"
#include "ui/pin/QORPinViewController.h"

namespace qortest {
namespace {

using platform::BiometricAnswer;
using platform::Json;

class Named : public platform::ViewController {
 public:
  explicit Named(std::string name) : name_(std::move(name)) {}
  std::string className() const override { return name_; }

 private:
  std::string name_;
};

Json chain(const char* type) { return Json{{"chainType", type}}; }

// What the user does on the screens; false when a step could not be done.
using Act = std::function<bool(PresenterTest&)>;

template <class Screen>
Act onScreen(std::function<bool()> step) {
  return [step](PresenterTest& t) { return t.waitForScreen<Screen>() != nullptr && step(); };
}

bool tapConfirm() { return PresenterTest::tap("Confirm"); }
bool tapCancel() { return PresenterTest::tap("Cancel"); }
std::function<bool()> pin(const std::string& digits) {
  return [digits] { return PresenterTest::enterPin(digits); };
}

}  // namespace

class NativeScreens : public PresenterTest {};

TEST_F(NativeScreens, EachChainTypeThroughTheScreensReachesTheServerAsItsAnswer) {
  using platform::LABiometryType;
  using qor::QORBiometricAuthViewController;
  using qor::QORCommitAuthViewController;
  using qor::QORPinViewController;
  const auto faceId = onScreen<QORBiometricAuthViewController>([] { return PresenterTest::tap("Confirm with Face ID"); });
  const struct {
    const char* name;
    Json transaction;
    std::function<void()> device;  // the biometric device and the user's answers at the prompt
    std::vector<Act> acts;
    int64_t type;
    const char* form;
    std::string value;
    bool cancelled;
    int64_t authMethod;
  } cases[] = {
      {"confirm", chain("WAKEUP_AUTH_OK"), {}, {onScreen<QORCommitAuthViewController>(tapConfirm)}, 404, "sps", "YES", false, 1},
      {"PIN", chain("WAKEUP_AUTH_PIN"), {}, {onScreen<QORPinViewController>(pin("1234"))}, 402, "pin", "1234", false, 2},
      {"new PIN", chain("WAKEUP_AUTH_SET_PIN"), {}, {onScreen<QORPinViewController>(pin("5678"))}, 413, "pin", "5678",
       false, 4},
      {"another chain shows the PIN pad", chain("OTHER"), {}, {onScreen<QORPinViewController>(pin("9012"))}, 412, "sps",
       "9012", false, 1},
      {"Face ID", chain("WAKEUP_AUTH_BIOMETRIC_OK"),
       [] { platform::SimulatedBiometrics::scriptAnswers({BiometricAnswer::success()}); }, {faceId}, 405, "plain",
       "FACE3DMAP", false, 3},
      {"Touch ID", chain("WAKEUP_AUTH_BIOMETRIC_OK"),
       [] {
         platform::SimulatedBiometrics::setBiometryType(LABiometryType::touchID);
         platform::SimulatedBiometrics::scriptAnswers({BiometricAnswer::success()});
       },
       {onScreen<QORBiometricAuthViewController>([] { return PresenterTest::tap("Confirm with Touch ID"); })}, 405,
       "plain", "FINGERPRINT", false, 3},
      {"a failed match may be tried again", chain("WAKEUP_AUTH_BIOMETRIC_OK"),
       [] {
         platform::SimulatedBiometrics::scriptAnswers(
             {BiometricAnswer::failure(platform::LAErrorAuthenticationFailed), BiometricAnswer::success()});
       },
       {faceId, faceId},
       405, "plain", "FACE3DMAP", false, 3},
      {"the prompt's fallback button leads to the PIN pad", chain("WAKEUP_AUTH_BIOMETRIC_OK"),
       [] { platform::SimulatedBiometrics::scriptAnswers({BiometricAnswer::failure(platform::LAErrorUserFallback)}); },
       {faceId, onScreen<QORPinViewController>(pin("2468"))}, 402, "pin", "2468", false, 3},
      {"without usable biometrics the PIN pad stands in", chain("WAKEUP_AUTH_BIOMETRIC_OK"),
       [] { platform::SimulatedBiometrics::setEnrolled(false); }, {onScreen<QORPinViewController>(pin("1357"))}, 402,
       "pin", "1357", false, 3},
      {"cancel on the confirm screen", chain("WAKEUP_AUTH_OK"), {}, {onScreen<QORCommitAuthViewController>(tapCancel)},
       401, "sps", "NO", true, 1},
      {"cancel on the PIN pad", chain("WAKEUP_AUTH_PIN"), {}, {onScreen<QORPinViewController>(tapCancel)}, 401, "sps",
       "NO", true, 2},
      {"cancel on the biometric screen", chain("WAKEUP_AUTH_BIOMETRIC_OK"), {},
       {onScreen<QORBiometricAuthViewController>(tapCancel)}, 401, "sps", "NO", true, 3},
      {"a prompt that locks biometrics out declines", chain("WAKEUP_AUTH_BIOMETRIC_OK"),
       [] { platform::SimulatedBiometrics::scriptAnswers({BiometricAnswer::failure(platform::LAErrorBiometryLockout)}); },
       {faceId}, 401, "sps", "NO", true, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll(/*pinKey=*/true, c.transaction);
    if (c.device) c.device();
    auto manager = startManager();
    for (const auto& act : c.acts) ASSERT_TRUE(act(*this));
    waitForReports();
    ASSERT_EQ(reports_.size(), 1u) << ::testing::PrintToString(refusals());
    EXPECT_EQ(reports_[0].cancelled, c.cancelled);
    EXPECT_EQ(reports_[0].status, qor::QORStatusSuccess);
    ASSERT_TRUE(reports_[0].info);
    EXPECT_EQ(reports_[0].info->authMethod(), c.authMethod);
    ASSERT_EQ(decisions().size(), 1u);
    EXPECT_EQ(decisions()[0]["type"], c.type);
    EXPECT_EQ(decisions()[0]["form"], c.form);
    EXPECT_EQ(decisions()[0]["value"], c.value);
    EXPECT_EQ(screen_->root()->presentedViewController(), nullptr) << "the screens are closed";
    // The host lets go of itself 8 s after the decision.
    std::weak_ptr<qor::QORAuthViewController> host = manager->native();
    ASSERT_TRUE(host.lock()->isKeepingItselfAlive());
    {
      platform::VirtualTime time;
      platform::MainQueue::shared()->runFor(platform::seconds(8.5));
    }
    EXPECT_FALSE(host.lock()->isKeepingItselfAlive());
    manager->supersede();
    manager_.reset();
    manager.reset();
    EXPECT_TRUE(host.expired());
  }
}

TEST_F(NativeScreens, AScreenTimeoutReports40AndSendsNoCommit) {
  enroll(true, chain("WAKEUP_AUTH_PIN"));
  auto manager = startManager();
  auto pinScreen = waitForScreen<qor::QORPinViewController>();
  ASSERT_TRUE(pinScreen);
  // The default screens never time out: the screen's delegate hears what a timing-out screen says.
  pinScreen->delegate().lock()->authCancelWithTimeoutError(true);
  waitForReports();
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_TRUE(reports_[0].cancelled);
  EXPECT_EQ(reports_[0].status, qor::QORStatusExpiredTransaction);
  ASSERT_TRUE(reports_[0].info);
  EXPECT_EQ(reports_[0].info->authMethod(), 2);
  settle();
  EXPECT_EQ(acceptedTypes(), (std::vector<int64_t>{105, 106, 107, 103}));
  EXPECT_EQ(commitsReceived(), 0u);
  EXPECT_FALSE(manager->authController()->motionArtifact()->isTrackingMotions());
  // A late tap on the screen changes nothing.
  pinScreen->delegate().lock()->authComplete("1234");
  settle();
  EXPECT_EQ(commitsReceived(), 0u);
  EXPECT_EQ(reports_.size(), 1u);
}

TEST_F(NativeScreens, TheSummaryAndTheScreenDataComeFromTheTransaction) {
  Json transaction = chain("WAKEUP_AUTH_PIN");
  transaction["argGuiHeader"] = "Transfer";
  transaction["argGuiText"] = "Pay EUR 12.50 to Acme";
  transaction["sessionTimeout"] = 120;
  transaction["argGuiData"] = Json{{"operationType", 7},
                                   {"args", {{"reference", "INV-9"}}},
                                   {"payments",
                                    {{{"amount", 12.5}, {"fee", 0.25}, {"recipient", "Acme"}, {"currency", "EUR"}},
                                     {{"amount", "99.90"}, {"fee", 1}, {"recipient", "Beta"}, {"currency", "USD"}},
                                     "not a payment"}}}
                                  .dump();
  enroll(true, transaction);
  startManager();
  auto pinScreen = waitForScreen<qor::QORPinViewController>();
  ASSERT_TRUE(pinScreen);
  const auto data = pinScreen->authData();
  EXPECT_EQ(data->description()->string(), "Pay EUR 12.50 to Acme");
  EXPECT_EQ(data->confirmActionHeaderText()->string(), "Transfer");
  EXPECT_GT(data->timerSeconds(), 100);
  EXPECT_LE(data->timerSeconds(), 120);
  EXPECT_EQ(data->payments().size(), 2u);
  EXPECT_EQ(data->cancelButtonText()->string(), "Cancel") << "the default provider's texts";
  ASSERT_TRUE(enterPin("4321"));
  waitForReports();
  ASSERT_EQ(reports_.size(), 1u);
  const auto& info = reports_[0].info;
  ASSERT_TRUE(info);
  EXPECT_EQ(info->authMethod(), 2);
  EXPECT_EQ(info->operationType(), 7);
  EXPECT_EQ(info->args(), (Json{{"reference", "INV-9"}}));
  ASSERT_EQ(info->payments().size(), 2u);
  EXPECT_EQ(info->payments()[0]->amount(), 12.5);
  EXPECT_EQ(info->payments()[0]->fee(), 0.25);
  EXPECT_EQ(info->payments()[0]->recipient(), "Acme");
  EXPECT_EQ(info->payments()[0]->currency(), "EUR");
  EXPECT_EQ(info->payments()[1]->amount(), 99.9);
  EXPECT_EQ(info->payments()[1]->currency(), "USD");
}

TEST_F(NativeScreens, ARunThatFailsBeforeTheScreensReportsOnceAndNeverShowsTheHost) {
  const struct {
    const char* name;
    Json script;
    qor::QORStatus status;
    bool summary;
  } cases[] = {
      {"a key store that does not open: no summary", {{"type", 105}, {"codeBlockSet", {{"prvStorageCurrent", "%%"}}}},
       qor::QORStatusSensitiveDataDecryptionError, false},
      {"a wake-up the server refuses",
       {{"type", 105}, {"httpStatus", 500}, {"json", {{"error", {{"code", -983}, {"message", "refused"}}}}}},
       qor::QORStatusInternalCommonError, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll();
    server_->script(Json::array({c.script}));
    platform::TransitionRecorder transitions;
    startManager();
    waitForReports();
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_FALSE(reports_[0].cancelled);
    EXPECT_EQ(reports_[0].status, c.status);
    ASSERT_EQ(reports_[0].info != nullptr, c.summary);
    if (c.summary) {
      EXPECT_EQ(reports_[0].info->authMethod(), 1);
      EXPECT_EQ(reports_[0].info->operationType(), 0);
      EXPECT_TRUE(reports_[0].info->payments().empty());
    }
    settle();
    EXPECT_TRUE(transitions.records().empty()) << "the host is never shown";
    EXPECT_EQ(commitsReceived(), 0u);
  }
}

TEST_F(NativeScreens, WindowRecordsSayWhatCoveredTheScreenAtTheDecision) {
  const struct {
    const char* name;
    std::function<std::shared_ptr<platform::ViewController>()> cover;
    std::vector<int64_t> records;
  } cases[] = {
      {"the screen on top", nullptr, {1102, 1102, 1104, 304, 404}},
      {"an alert over the screen",
       [] {
         return platform::AlertController::alertControllerWithTitle("Low battery", std::nullopt,
                                                                    platform::AlertControllerStyle::alert);
       },
       {1102, 1102, 1104, 310, 302, 304, 404}},
      {"another screen over it", [] { return std::make_shared<Named>("Overlay"); }, {1102, 1102, 1104, 302, 304, 404}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll(false, chain("WAKEUP_AUTH_OK"));
    startManager();
    auto confirm = waitForScreen<qor::QORCommitAuthViewController>();
    ASSERT_TRUE(confirm);
    if (c.cover) {
      confirm->presentViewController(c.cover(), false);
      ASSERT_TRUE(screen_->settle());
    }
    // Covered, the screen takes no taps; its delegate hears the confirmation.
    confirm->delegate().lock()->commitAuthViewControllerConfirmed(confirm);
    waitForReports();
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(decisionRecordTypes(), c.records);
    EXPECT_EQ(screen_->root()->presentedViewController(), nullptr) << "the cover went with the host";
  }
}

// Ending a run is a call: a manager let go in the middle of its run, without `supersede`, stops the
// process in a build with checks instead of deciding the run's end by when its last owner goes.
TEST_F(NativeScreens, AManagerLetGoDuringItsRunWithoutSupersedeIsAFault) {
  if (!QOR_DCHECK_IS_ON) GTEST_SKIP() << "checks are compiled out of this build";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  enroll(true, chain("WAKEUP_AUTH_PIN"));
  startManager();
  ASSERT_TRUE(waitForScreen<qor::QORPinViewController>());
  EXPECT_DEATH(manager_.reset(), "superseded_");
}

TEST_F(NativeScreens, AManagerReplacedDuringThePauseEndsTheRunWithoutACommit) {
  enroll(true, chain("WAKEUP_AUTH_PIN"));
  auto manager = startManager();
  ASSERT_TRUE(waitForScreen<qor::QORPinViewController>());
  std::weak_ptr<qor::QORAuthViewController> host = manager->native();
  auto controller = manager->authController();
  EXPECT_TRUE(controller->motionArtifact()->isTrackingMotions());
  // The next authorization clears the screen and replaces the manager.
  screen_->root()->dismissViewControllerAnimated(false);
  ASSERT_TRUE(screen_->settle());
  manager->supersede();
  manager_.reset();
  manager.reset();
  EXPECT_TRUE(host.expired());
  EXPECT_FALSE(controller->motionArtifact()->isTrackingMotions());
  controller->commitAuth("1234");
  settle();
  EXPECT_EQ(commitsReceived(), 0u);
  // The app still hears that the run ended, once, as a failure without a summary.
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_FALSE(reports_[0].cancelled);
  EXPECT_EQ(reports_[0].status, 44);
  EXPECT_EQ(reports_[0].info, nullptr);
}

TEST_F(NativeScreens, AManagerReplacedAfterTheDecisionStillReportsItsStatus) {
  const struct {
    const char* name;
    bool commitSent;  // the manager goes once the commit is on its way, else while the host still leaves
  } cases[] = {
      {"the commit on its way", true},
      {"the host still leaving the screen", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll(false, chain("WAKEUP_AUTH_OK"));
    auto manager = startManager();
    ASSERT_TRUE(waitForScreen<qor::QORCommitAuthViewController>());
    auto controller = manager->authController();
    ASSERT_TRUE(tap("Confirm"));
    if (c.commitSent) {
      waitFor([&] { return !controller->isPaused(); });
    } else {
      ASSERT_TRUE(controller->isPaused());
    }
    manager->supersede();
    manager_.reset();
    manager.reset();
    controller.reset();
    waitForReports();
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_FALSE(reports_[0].cancelled);
    EXPECT_EQ(reports_[0].status, qor::QORStatusSuccess);
    EXPECT_EQ(commitsReceived(), 1u);
  }
}

}  // namespace qortest
