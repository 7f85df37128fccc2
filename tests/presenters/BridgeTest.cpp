// The cross-platform road end to end: a scripted module plays the host app's UI, the bridge hands it
// the transaction and takes its decisions to the controller, and the server opens the answer.
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "KivAbstractCore/KivData.h"
#include "KivAbstractCore/NativeHandler.h"
#include "platform/AppInfo.h"
#include "platform/Json.h"
#include "platform/SystemLog.h"
#include "platform/devices/SimulatedBiometrics.h"
#include "platform/ui/AlertController.h"
#include "platform/ui/TransitionLog.h"
#include "platform/ui/Window.h"
#include "sdk/QORConstants.h"
#include "sdk/bridge/KivCommunicator.h"
#include "tests/presenters/PresenterTestSupport.h"
#include "tests/support/ScriptedKivApi.h"
#include "ui/confirm/QORCommitAuthViewController.h"

namespace qortest {
namespace {

using platform::BiometricAnswer;
using platform::Json;
using Calls = std::vector<std::string>;

class Named : public platform::ViewController {
 public:
  explicit Named(std::string name) : name_(std::move(name)) {}
  std::string className() const override { return name_; }

 private:
  std::string name_;
};

const Json kMainScreen = {{"screen", "main"}, {"screenData", {{"title", "Approve"}}}};
const Json kFallbackScreen = {{"screen", "pin"}, {"authContentType", 102}};
const Json kProgressScreen = {{"screen", "progress"}};

// A transaction of that chain whose prepare body asks for the cross-platform screens.
Json withScreens(const char* chainType, const Json& screens) {
  return Json{{"chainType", chainType}, {"argGuiFlutterScreen", flutterScreens(screens)}};
}

const Json kAllScreens = {{"mainScreen", kMainScreen}, {"fallbackScreen", kFallbackScreen}};

// Several module answers in one go, as a module whose user taps twice.
ScriptedKivApi::Reaction both(ScriptedKivApi::Reaction first, ScriptedKivApi::Reaction second) {
  return [first, second](qor::NativeHandler& h) {
    first(h);
    second(h);
  };
}

ScriptedKivApi::Reaction detectOverlay() {
  return [](qor::NativeHandler& h) { h.detectOverlay(); };
}

}  // namespace

class Bridge : public PresenterTest {
 protected:
  void SetUp() override {
    PresenterTest::SetUp();
    module_ = ScriptedKivApi::create();
  }
  void TearDown() override {
    module_.reset();
    PresenterTest::TearDown();
  }

  std::weak_ptr<qor::KivCommunicator> startBridge() {
    auto bridge = qor::KivCommunicator::create(4711, module_, recordBridgeReports());
    bridge->start();
    return bridge;
  }
  // The packed TransactionRequests the module received.
  std::vector<Json> builds() const {
    std::vector<Json> parcels;
    for (const auto& call : module_->calls()) {
      if (call.name == "buildUIWithParcel:" && call.packed) parcels.push_back(Json::parse(*call.packed));
    }
    return parcels;
  }
  static Json screenJson(const Json& build) { return Json::parse(build["data"]["uiJsonProperties"].get<std::string>()); }

  std::shared_ptr<ScriptedKivApi> module_;
};

TEST_F(Bridge, ARunGoesFromAttachingTheViewToHidingTheUI) {
  enroll(false, withScreens("WAKEUP_AUTH_OK", kAllScreens));
  module_->on("buildUIWithParcel:", ScriptedKivApi::approve("YES"));
  auto bridge = startBridge();
  waitForReports();
  EXPECT_EQ(module_->callNames(), (Calls{"attachViewWithKivData:", "buildUIWithParcel:", "showProgressScreen",
                                         "hideProgressScreen", "hideUI"}));
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_FALSE(reports_[0].cancelled);
  EXPECT_EQ(reports_[0].status, qor::QORStatusSuccess);
  ASSERT_EQ(decisions().size(), 1u);
  EXPECT_EQ(decisions()[0]["type"], 404);
  EXPECT_EQ(decisions()[0]["form"], "sps");
  EXPECT_EQ(decisions()[0]["value"], "YES");
  // The module's view is over the app's screen, not a module screen: an overlay record.
  EXPECT_EQ(decisionRecordTypes(), (std::vector<int64_t>{1102, 1102, 1104, 302, 304, 404}));
  {
    auto data = module_->kivData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->nativeHandler(), bridge.lock());
    EXPECT_EQ(data->controller(), screen_->root());
  }
  EXPECT_TRUE(bridge.lock()->isTerminated());
  // Only the module's KivData holds the bridge now.
  module_.reset();
  EXPECT_TRUE(bridge.expired());
}

TEST_F(Bridge, TheModuleGetsOneScreenDescriptionOfFiveMembers) {
  const Json everyScreen = {{"mainScreen", kMainScreen},
                            {"detailsScreen", "{not json"},
                            {"fallbackScreen", kFallbackScreen},
                            {"progressScreen", kProgressScreen}};
  const struct {
    const char* name;
    Json transaction;
    Json script;  // how the server spoils the prepare answer
    int64_t authType;
    Json screens;
    bool guiData;  // the transaction's GUI data travels (else an empty object)
  } cases[] = {
      {"every screen; one that does not parse is left out", withScreens("WAKEUP_AUTH_OK", everyScreen), Json(), 101,
       {{"mainScreen", kMainScreen}, {"fallbackScreen", kFallbackScreen}, {"progressScreen", kProgressScreen}}, true},
      {"no GUI data", withScreens("WAKEUP_AUTH_PIN", kAllScreens),
       {{"type", 103}, {"codeBlockRemove", {"argGuiData"}}}, 102, kAllScreens, false},
      {"no cross-platform screens", Json{{"chainType", "WAKEUP_AUTH_SET_PIN"}}, Json(), 106, Json::object(), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll(false, c.transaction);
    if (!c.script.is_null()) server_->script(Json::array({c.script}));
    module_->on("buildUIWithParcel:", ScriptedKivApi::decline());
    platform::LogCapture log;
    startBridge();
    waitForReports();
    const auto parcels = builds();
    ASSERT_EQ(parcels.size(), 1u) << ::testing::PrintToString(module_->callNames());
    EXPECT_EQ(parcels[0]["authType"], c.authType);
    EXPECT_EQ(parcels[0]["data"]["useFallbackScreen"], false);
    const Json screen = screenJson(parcels[0]);
    EXPECT_EQ(screen.size(), 5u) << screen.dump();
    EXPECT_EQ(screen["argGuiHeader"], "Payment");
    EXPECT_EQ(screen["argGuiText"], "Approve the payment");
    EXPECT_EQ(screen["pinLength"], 4);
    EXPECT_EQ(screen["argGuiFlutterScreen"], c.screens);
    if (c.guiData) {
      EXPECT_EQ(screen["argGuiData"]["operationType"], 1);
      EXPECT_TRUE(screen["argGuiData"]["timerSecondsTime"].is_number_integer());
    } else {
      EXPECT_EQ(screen["argGuiData"], Json::object());
    }
    const auto lines = log.messages();
    EXPECT_NE(std::find(lines.begin(), lines.end(), parcels[0]["data"]["uiJsonProperties"].get<std::string>()),
              lines.end())
        << "the description is logged as one line";
  }
}

TEST_F(Bridge, WithoutBiometricsTheFallbackScreenTakesThePinAsAPinAnswer) {
  const struct {
    const char* name;
    Json screens;
    int64_t authType;
    bool useFallbackScreen;
    int64_t type;  // of the answer the server opened
    const char* form;
    std::string value;
    bool cancelled;
  } cases[] = {
      {"a fallback screen with its own type", kAllScreens, 102, true, 402, "pin", "1234", false},
      {"a fallback screen without a type", {{"fallbackScreen", {{"screen", "pin"}}}}, 105, true, 402, "pin", "1234",
       false},
      // Nothing could approve then: the approval declines instead of leaving the run waiting.
      {"no fallback screen", {{"mainScreen", kMainScreen}}, 105, false, 401, "sps", "NO", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    platform::SimulatedBiometrics::setEnrolled(false);
    enroll(true, withScreens("WAKEUP_AUTH_BIOMETRIC_OK", c.screens));
    module_->on("buildUIWithParcel:", ScriptedKivApi::approve("1234"));
    startBridge();
    waitForReports();
    const auto parcels = builds();
    ASSERT_EQ(parcels.size(), 1u);
    EXPECT_EQ(parcels[0]["authType"], c.authType);
    EXPECT_EQ(parcels[0]["data"]["useFallbackScreen"], c.useFallbackScreen);
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_[0].cancelled, c.cancelled);
    EXPECT_EQ(reports_[0].status, qor::QORStatusSuccess);
    ASSERT_EQ(decisions().size(), 1u);
    EXPECT_EQ(decisions()[0]["type"], c.type);
    EXPECT_EQ(decisions()[0]["form"], c.form);
    EXPECT_EQ(decisions()[0]["value"], c.value);
    EXPECT_TRUE(platform::SimulatedBiometrics::promptHistory().empty());
  }
}

TEST_F(Bridge, BiometricApprovalsGoThroughTheSystemPrompt) {
  const struct {
    const char* name;
    std::vector<BiometricAnswer> answers;
    bool approveAgain;           // the module approves once more after the first prompt
    std::string secondApproval;  // that approval's value, or the one on a second screen
    Calls calls;
    int64_t type;
    const char* form;
    std::string value;
    bool cancelled;
  } cases[] = {
      {"recognised",
       {BiometricAnswer::success()},
       false,
       "",
       {"attachViewWithKivData:", "buildUIWithParcel:", "hideProgressScreen", "showProgressScreen", "hideUI"},
       405,
       "plain",
       "FACE3DMAP",
       false},
      {"a failed match may be approved again",
       {BiometricAnswer::failure(platform::LAErrorAuthenticationFailed), BiometricAnswer::success()},
       true,
       "again",
       {"attachViewWithKivData:", "buildUIWithParcel:", "hideProgressScreen", "hideProgressScreen",
        "showProgressScreen", "hideUI"},
       405,
       "plain",
       "FACE3DMAP",
       false},
      {"the PIN button shows the fallback screen again and its PIN is a PIN answer",
       {BiometricAnswer::failure(platform::LAErrorUserFallback)},
       false,
       "2468",
       {"attachViewWithKivData:", "buildUIWithParcel:", "hideProgressScreen", "buildUIWithParcel:",
        "showProgressScreen", "hideProgressScreen", "hideUI"},
       402,
       "pin",
       "2468",
       false},
      {"a lock-out declines",
       {BiometricAnswer::failure(platform::LAErrorBiometryLockout)},
       false,
       "",
       {"attachViewWithKivData:", "buildUIWithParcel:", "hideProgressScreen", "hideUI"},
       401,
       "sps",
       "NO",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    platform::SimulatedBiometrics::scriptAnswers(c.answers);
    enroll(true, withScreens("WAKEUP_AUTH_BIOMETRIC_OK", kAllScreens));
    // The first screen is approved with the biometric prompt; a second one (the fallback) with a PIN.
    auto shown = std::make_shared<int>(0);
    module_->on("buildUIWithParcel:", [shown, second = c.secondApproval](qor::NativeHandler& h) {
      h.approveTransactionWithData(++*shown == 1 ? Json("ignored") : Json(second));
    });
    auto bridge = startBridge();
    if (c.approveAgain) {
      // The module answers the first prompt's outcome with another approval.
      waitFor([&] { return platform::SimulatedBiometrics::promptHistory().size() == 1 && bridge.lock() &&
                           bridge.lock()->authType() != 0; });
      settle();
      ASSERT_TRUE(module_->act(ScriptedKivApi::approve(c.secondApproval)));
    }
    waitForReports();
    EXPECT_EQ(module_->callNames(), c.calls);
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_[0].cancelled, c.cancelled);
    ASSERT_EQ(decisions().size(), 1u);
    EXPECT_EQ(decisions()[0]["type"], c.type);
    EXPECT_EQ(decisions()[0]["form"], c.form);
    EXPECT_EQ(decisions()[0]["value"], c.value);
    const auto parcels = builds();
    if (parcels.size() == 2) {
      EXPECT_EQ(parcels[1]["authType"], 102) << "the fallback screen's type";
      EXPECT_EQ(parcels[1]["data"]["useFallbackScreen"], true);
    }
  }
}

TEST_F(Bridge, ThePromptsReasonIsTheAppsTextOrTheDefault) {
  const struct {
    const char* name;
    std::optional<std::string> appText;
    std::string reason;
  } cases[] = {
      {"the app's text", std::string("Sign with your face"), "Sign with your face"},
      {"no text", std::nullopt, "Biometric authentication request"},
      {"an empty text", std::string(), "Biometric authentication request"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    platform::AppInfo::setValue(qor::faceIdUsageDescriptionKey, c.appText);
    platform::SimulatedBiometrics::scriptAnswers({BiometricAnswer::success()});
    enroll(false, withScreens("WAKEUP_AUTH_BIOMETRIC_OK", {{"mainScreen", kMainScreen}}));
    module_->on("buildUIWithParcel:", ScriptedKivApi::approve("ignored"));
    startBridge();
    waitForReports();
    const auto prompts = platform::SimulatedBiometrics::promptHistory();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].reason, c.reason);
    EXPECT_EQ(prompts[0].fallbackTitle, std::optional<std::string>("Authenticate with PIN"));
    ASSERT_EQ(decisions().size(), 1u);
    EXPECT_EQ(decisions()[0]["type"], 405);
  }
}

TEST_F(Bridge, OnlyTheFirstDecisionOfARunGoesToTheServer) {
  const auto approve = ScriptedKivApi::approve("YES");
  const auto decline = ScriptedKivApi::decline();
  const struct {
    const char* name;
    ScriptedKivApi::Reaction answer;
    int64_t type;
    bool cancelled;
  } cases[] = {
      {"two approvals", both(approve, approve), 404, false},
      {"two declines", both(decline, decline), 401, true},
      {"a decline, then the back button", both(decline, ScriptedKivApi::backButton()), 401, true},
      {"an approval, then a decline", both(approve, decline), 404, false},
      {"a decline, then an approval", both(decline, approve), 401, true},
      {"a forgotten PIN, then a decline", both(ScriptedKivApi::declineWithData(true), decline), 414, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll(false, withScreens("WAKEUP_AUTH_OK", kAllScreens));
    module_->on("buildUIWithParcel:", c.answer);
    startBridge();
    waitForReports();
    settle();
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_[0].cancelled, c.cancelled);
    EXPECT_EQ(commitsReceived(), 1u);
    ASSERT_EQ(decisions().size(), 1u);
    EXPECT_EQ(decisions()[0]["type"], c.type);
  }
}

TEST_F(Bridge, AnAnswerValueThatIsNotTextIsSealedAsItsText) {
  const struct {
    Json value;
    std::string text;
  } cases[] = {
      {"1234", "1234"},
      {1234, "1234"},
      {-5, "-5"},
      {18446744073709551615u, "18446744073709551615"},
      {12.5, "12.5"},
      {3.0, "3"},
      {true, ""},
      {nullptr, ""},
      {Json{{"pin", "1234"}}, ""},
      {Json::array({1, 2}), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(qor::KivCommunicator::answerText(c.value), c.text) << c.value.dump();

  enroll(true, withScreens("WAKEUP_AUTH_PIN", kAllScreens));
  module_->on("buildUIWithParcel:", ScriptedKivApi::approve(Json(4321)));
  startBridge();
  waitForReports();
  ASSERT_EQ(decisions().size(), 1u);
  EXPECT_EQ(decisions()[0]["type"], 402);
  EXPECT_EQ(decisions()[0]["form"], "pin");
  EXPECT_EQ(decisions()[0]["value"], "4321");
}

TEST_F(Bridge, ARunThatFailsAtTheWakeUpStillHidesTheUI) {
  enroll(false, withScreens("WAKEUP_AUTH_OK", kAllScreens));
  server_->script(Json::array(
      {{{"type", 105}, {"httpStatus", 500}, {"json", {{"error", {{"code", -983}, {"message", "refused"}}}}}}}));
  startBridge();
  waitForReports();
  EXPECT_EQ(module_->callNames(), (Calls{"hideUI"}));
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_TRUE(reports_[0].cancelled);
  EXPECT_EQ(reports_[0].status, qor::QORStatusInternalCommonError);
}

TEST_F(Bridge, ARunWithoutACompletionStillEndsAndHidesTheUI) {
  enroll(false, withScreens("WAKEUP_AUTH_OK", kAllScreens));
  module_->on("buildUIWithParcel:", ScriptedKivApi::approve("YES"));
  auto made = qor::KivCommunicator::create(4711, module_, {});
  std::weak_ptr<qor::KivCommunicator> bridge = made;
  made->start();
  made.reset();
  waitFor([&] { return module_->count("hideUI") == 1; });
  settle();
  ASSERT_EQ(decisions().size(), 1u);
  EXPECT_EQ(decisions()[0]["type"], 404);
  ASSERT_FALSE(bridge.expired()) << "the module's KivData still holds it";
  EXPECT_TRUE(bridge.lock()->isTerminated());
}

TEST_F(Bridge, AManagerReplacedDuringThePauseEndsTheRunWithoutADecisionAndSays44) {
  enroll(false, withScreens("WAKEUP_AUTH_OK", kAllScreens));
  auto manager = startManager(module_);
  waitFor([&] { return builds().size() == 1; });
  auto controller = manager->authController();
  std::weak_ptr<qor::KivCommunicator> bridge = manager->flutter();
  ASSERT_TRUE(controller->isPaused());
  EXPECT_TRUE(controller->motionArtifact()->isTrackingMotions());
  manager->supersede();
  manager_.reset();
  manager.reset();
  EXPECT_FALSE(controller->motionArtifact()->isTrackingMotions()) << "the sampler of the paused run stops";
  ASSERT_FALSE(bridge.expired());
  EXPECT_TRUE(bridge.lock()->isTerminated());
  ASSERT_TRUE(module_->act(ScriptedKivApi::approve("YES")));
  settle();
  EXPECT_EQ(commitsReceived(), 0u);
  // The app still hears that the run ended: no approval was asked for, so it counts as cancelled.
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_TRUE(reports_[0].cancelled);
  EXPECT_EQ(reports_[0].status, 44);
}

TEST_F(Bridge, TheModulesCallsAfterTheRunAreIgnored) {
  enroll(false, withScreens("WAKEUP_AUTH_OK", kAllScreens));
  module_->on("buildUIWithParcel:", ScriptedKivApi::approve("YES"));
  startBridge();
  waitForReports();
  const auto calls = module_->callNames();
  for (const auto& late : {ScriptedKivApi::approve("YES"), ScriptedKivApi::decline(), ScriptedKivApi::backButton(),
                           ScriptedKivApi::declineWithData(true), ScriptedKivApi::screenReady(), detectOverlay()}) {
    ASSERT_TRUE(module_->act(late));
  }
  settle();
  EXPECT_EQ(module_->callNames(), calls);
  EXPECT_EQ(commitsReceived(), 1u);
  EXPECT_EQ(reports_.size(), 1u);
}

TEST_F(Bridge, WindowRecordsAreAddedOnceWhateverTheModuleReports) {
  const struct {
    const char* name;
    std::function<std::shared_ptr<platform::ViewController>()> onTop;
    std::vector<int64_t> records;
  } cases[] = {
      {"the app's screen on top", nullptr, {1102, 1102, 1104, 302, 304, 404}},
      {"an alert on top",
       [] {
         return platform::AlertController::alertControllerWithTitle("Low battery", std::nullopt,
                                                                    platform::AlertControllerStyle::alert);
       },
       {1102, 1102, 1104, 310, 302, 304, 404}},
      {"the module's screen on top", [] { return std::make_shared<Named>("FlutterViewController"); },
       {1102, 1102, 1104, 304, 404}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll(false, withScreens("WAKEUP_AUTH_OK", kAllScreens));
    if (c.onTop) {
      screen_->root()->presentViewController(c.onTop(), false);
      ASSERT_TRUE(screen_->settle());
    }
    module_->on("buildUIWithParcel:",
                both(both(detectOverlay(), detectOverlay()), both(ScriptedKivApi::approve("YES"), detectOverlay())));
    startBridge();
    waitForReports();
    EXPECT_EQ(decisionRecordTypes(), c.records);
    ASSERT_TRUE(screen_->settle());
    if (c.onTop && c.onTop()->className() == "FlutterViewController") {
      EXPECT_EQ(screen_->root()->presentedViewController(), nullptr) << "the module's screen is closed at the end";
    }
  }
}

TEST_F(Bridge, WithoutAModuleTheEntryCompletesAt44AndSendsNothing) {
  enroll(false, withScreens("WAKEUP_AUTH_OK", kAllScreens));
  std::weak_ptr<qor::KivCommunicator> bridge;
  {
    auto made = qor::KivCommunicator::create(4711, nullptr, recordBridgeReports());
    bridge = made;
    made->start();
    ASSERT_EQ(reports_.size(), 1u) << "at once, inside start";
  }
  EXPECT_TRUE(reports_[0].cancelled);
  EXPECT_EQ(reports_[0].status, qor::QORStatusInternalCommonError);
  EXPECT_TRUE(bridge.expired());
  settle();
  EXPECT_TRUE(server_->requests().empty());
}

TEST_F(Bridge, TheManagerHandsTheRunToTheBridgeOnlyWhenItAsksForTheModulesScreens) {
  const struct {
    const char* name;
    Json transaction;
    bool bridged;
  } cases[] = {
      {"cross-platform screens", withScreens("WAKEUP_AUTH_OK", kAllScreens), true},
      {"native screens", Json{{"chainType", "WAKEUP_AUTH_OK"}}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    enroll(false, c.transaction);
    module_->on("buildUIWithParcel:", ScriptedKivApi::approve("YES"));
    platform::TransitionRecorder transitions;
    auto manager = startManager(module_);
    std::weak_ptr<qor::QORAuthViewController> host = manager->native();
    std::weak_ptr<qor::KivCommunicator> bridge = manager->flutter();
    if (!c.bridged) {
      ASSERT_TRUE(waitForScreen<qor::QORCommitAuthViewController>());
      ASSERT_TRUE(tap("Confirm"));
    }
    waitForReports();
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_FALSE(reports_[0].cancelled);
    EXPECT_EQ(reports_[0].status, qor::QORStatusSuccess);
    EXPECT_EQ(reports_[0].info != nullptr, !c.bridged) << "a summary on the native road only";
    ASSERT_EQ(decisions().size(), 1u);
    EXPECT_EQ(decisions()[0]["type"], 404);
    if (c.bridged) {
      EXPECT_EQ(module_->count("attachViewWithKivData:"), 1u);
      EXPECT_EQ(module_->count("hideUI"), 1u);
      EXPECT_TRUE(transitions.records().empty()) << "the native host is never shown";
      EXPECT_TRUE(host.expired()) << "the unused host goes when the run ends";
      EXPECT_FALSE(manager->native());
    } else {
      EXPECT_TRUE(module_->calls().empty());
      EXPECT_TRUE(bridge.expired()) << "the unused bridge goes when the run ends";
      EXPECT_FALSE(manager->flutter());
    }
  }
}

}  // namespace qortest
