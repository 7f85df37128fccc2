// The native host's presentation mechanics in virtual time, without a server: the manager is told
// that the run paused (its controller never started, so it has no transaction and the default PIN
// screen shows), and the host's completion is driven through the screen delegate and the final
// status.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/theme/QORTheme.h"
#include "platform/Clock.h"
#include "platform/Queue.h"
#include "platform/devices/SimulatedBiometrics.h"
#include "platform/ui/AlertController.h"
#include "platform/ui/Bundle.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/Nib.h"
#include "platform/ui/TransitionLog.h"
#include "platform/ui/Window.h"
#include "sdk/TransactionInfo.h"
#include "sdk/presentation/QORAuthButton.h"
#include "sdk/presentation/QORAuthViewController.h"
#include "sdk/presentation/QORPresentationClasses.h"
#include "sdk/presentation/UIManager.h"
#include "sdk/resources/DefaultResourceProvider.h"
#include "tests/support/ScriptedKivApi.h"
#include "ui/pin/QORPinViewController.h"

using platform::TransitionRecord;
using platform::ViewController;

namespace {

class Named : public ViewController {
 public:
  explicit Named(std::string name) : name_(std::move(name)) {}
  std::string className() const override { return name_; }

 private:
  std::string name_;
};

struct Report {
  bool cancelled;
  qor::QORStatus status;
  std::shared_ptr<qor::TransactionInfo> info;
};

// A PIN delegate that takes nothing in: the blocker screens of earlier authorizations.
class IdlePinDelegate : public qor::QORPinViewControllerDelegate {
 public:
  void authComplete(const std::string&) override {}
  void authCancelWithTimeoutError(bool) override {}
};

class HostPresentation : public testing::Test {
 protected:
  HostPresentation() { platform::SimulatedBiometrics::reset(); }
  ~HostPresentation() override { platform::MainQueue::shared()->clear(); }

  std::shared_ptr<qor::UIManager> makeManager(std::shared_ptr<ViewController> loader = nullptr,
                                              std::shared_ptr<qor::KivApi> kiv = nullptr,
                                              std::shared_ptr<qor::ResourceProvider> provider = nullptr) {
    auto made = qor::UIManager::create(qor::QORTheme::create("Bank"), 7, std::move(kiv), std::move(provider),
                                       std::move(loader), [this](bool cancelled, qor::QORStatus status, auto info) {
                                         reports_.push_back({cancelled, status, std::move(info)});
                                       });
    // The test plays the facade: a manager it lets go is superseded first.
    return std::shared_ptr<qor::UIManager>(made.get(), [made](qor::UIManager* manager) mutable {
      manager->supersede();
      made.reset();
    });
  }
  // What the controller tells the manager when the run pauses for the user.
  static void pause(const std::shared_ptr<qor::UIManager>& manager) {
    manager->authControllerFinishedAuthPrepare(manager->authController(), qor::QORStatusSuccess);
  }

 public:
  // Presents `controller` from the top of the key window, not animated, and lets it settle.
  void presentOnTop(const std::shared_ptr<ViewController>& controller) {
    platform::topPresentedViewController()->presentViewController(controller, false);
    ASSERT_TRUE(screen_.settle());
  }

 protected:
  static void run(double seconds) { platform::MainQueue::shared()->runFor(platform::seconds(seconds)); }
  static std::shared_ptr<qor::QORPinViewController> pinOnTop() {
    return std::dynamic_pointer_cast<qor::QORPinViewController>(platform::topPresentedViewController());
  }
  static bool presents(const std::vector<TransitionRecord>& records, const std::string& from, const std::string& to,
                       bool animated) {
    for (const auto& r : records) {
      if (r.kind == TransitionRecord::Kind::present && r.from == from && r.to == to && r.animated == animated) return true;
    }
    return false;
  }

  platform::VirtualTime time_;
  platform::HeadlessWindow screen_;
  platform::TransitionRecorder transitions_;
  std::vector<Report> reports_;
};

TEST_F(HostPresentation, TheHostComesOnScreenOverWhateverIsOnTop) {
  const auto idle = std::make_shared<IdlePinDelegate>();
  const struct {
    const char* name;
    std::function<std::shared_ptr<ViewController>(HostPresentation&)> blocker;  // put on top before the pause
    std::function<void(const std::shared_ptr<ViewController>&)> meanwhile;    // at 0.005 s after the pause
    double shownBy;    // the host is on screen by then (seconds after the pause)
    double notBefore;  // and not yet a little before
  } cases[] = {
      {"nothing in the way", nullptr, nullptr, 0.011, 0.009},
      {"an alert is dismissed, the host comes on the next try",
       [](HostPresentation& t) {
         auto alert = platform::AlertController::alertControllerWithTitle("Note", std::nullopt,
                                                                          platform::AlertControllerStyle::alert);
         t.presentOnTop(alert);
         return alert;
       },
       nullptr, 0.111, 0.109},
      {"a force-closable screen is closed, the host comes on the next try",
       [idle](HostPresentation& t) {
         auto pin = qor::QORPinViewController::controllerWithTheme(nullptr, idle, false, qor::QORAuthData::create());
         t.presentOnTop(pin);
         return pin;
       },
       nullptr, 0.111, 0.109},
      {"an earlier authorization's host is waited out",
       [](HostPresentation& t) {
         auto earlier = qor::QORAuthViewController::controllerWithTheme(nullptr, 1, qor::QORAuthController::create(1),
                                                                         nullptr, nullptr, {});
         t.presentOnTop(earlier);
         // It finishes 0.45 s after the pause.
         platform::MainQueue::shared()->postAfter(platform::seconds(0.45), [earlier] {
           earlier->dismissViewControllerAnimated(false);
           earlier->abandon();
         });
         return earlier;
       },
       nullptr, 0.511, 0.509},
      {"a presentation the platform refuses during another transition is tried again", nullptr,
       [](const std::shared_ptr<ViewController>& top) { top->presentViewController(std::make_shared<Named>("AppScreen"), true); },
       0.311, 0.309},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::shared_ptr<ViewController> blocker = c.blocker ? c.blocker(*this) : nullptr;
    auto manager = makeManager();
    auto host = manager->native();
    ASSERT_TRUE(host);
    pause(manager);
    if (c.meanwhile) {
      platform::MainQueue::shared()->postAfter(platform::seconds(0.005),
                                               [top = platform::topPresentedViewController(), f = c.meanwhile] { f(top); });
    }
    run(c.notBefore);
    EXPECT_EQ(host->presentingViewController(), nullptr);
    run(c.shownBy - c.notBefore);
    EXPECT_NE(host->presentingViewController(), nullptr);
    EXPECT_FALSE(host->isBeingPresented()) << "presented without animation";
    if (blocker) {
      EXPECT_EQ(blocker->presentingViewController(), nullptr) << "the blocker left the screen";
    }
    // Clear the window for the next case.
    host->abandon();
    manager.reset();
    run(0.5);
    screen_.root()->dismissViewControllerAnimated(false);
    ASSERT_TRUE(screen_.settle());
  }
}

TEST_F(HostPresentation, TheScreenFollowsTheHostOnceItIsShownWithOrWithoutALoader) {
  const struct {
    const char* name;
    bool loader;
    bool alertInTheWay;  // the host's own presentation is tried twice
    double screenAt;     // seconds after the pause
  } cases[] = {
      {"no loader", false, false, 0.01 + 0.01},
      {"a loader", true, false, 0.01 + 0.3},
      {"no loader, host presentation retried", false, true, 0.11 + 0.01},
      {"a loader, host presentation retried", true, true, 0.11 + 0.3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform::TransitionRecorder transitions;
    if (c.alertInTheWay) {
      presentOnTop(platform::AlertController::alertControllerWithTitle("Note", std::nullopt,
                                                                       platform::AlertControllerStyle::alert));
    }
    auto loader = c.loader ? std::make_shared<Named>("Loader") : nullptr;
    auto manager = makeManager(loader);
    auto host = manager->native();
    pause(manager);
    run(c.screenAt - 0.002);
    EXPECT_FALSE(pinOnTop());
    if (loader) {
      EXPECT_EQ(loader->presentingViewController(), host);
      EXPECT_EQ(loader->modalPresentationStyle(), platform::ModalPresentationStyle::fullScreen);
      EXPECT_TRUE(presents(transitions.records(), "QORAuthViewController", "Loader", false));
    }
    run(0.004);
    auto pin = pinOnTop();
    ASSERT_TRUE(pin) << "the screen is not lost when the host came on a later try";
    EXPECT_EQ(pin->delegate().lock(), host);
    EXPECT_TRUE(presents(transitions.records(), loader ? "Loader" : "QORAuthViewController", "QORPinViewController", true));
    EXPECT_TRUE(transitions.refusals().empty());
    // The user declines while the screen still slides in: the dismissal waits for it, then everything
    // above the root goes.
    host->authCancelWithTimeoutError(false);
    run(0.5);
    ASSERT_TRUE(screen_.settle());
    EXPECT_EQ(screen_.root()->presentedViewController(), nullptr);
    manager.reset();
    run(9);
  }
}

TEST_F(HostPresentation, ATimeoutReports40OnceEndsTheRunAndFreesTheHost) {
  auto manager = makeManager();
  std::weak_ptr<qor::QORAuthViewController> host = manager->native();
  auto controller = manager->authController();
  pause(manager);
  run(0.5);
  auto pin = pinOnTop();
  ASSERT_TRUE(pin);
  // The default screens never time out: the screen's delegate is told as a timing-out screen would.
  pin->delegate().lock()->authCancelWithTimeoutError(true);
  pin->delegate().lock()->authCancelWithTimeoutError(true);
  pin.reset();
  ASSERT_TRUE(screen_.settle());
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_TRUE(reports_[0].cancelled);
  EXPECT_EQ(reports_[0].status, qor::QORStatusExpiredTransaction);
  ASSERT_TRUE(reports_[0].info);
  EXPECT_EQ(reports_[0].info->authMethod(), 1);
  EXPECT_EQ(screen_.root()->presentedViewController(), nullptr);
  EXPECT_FALSE(controller->motionArtifact()->isTrackingMotions()) << "the presenter stops the sampler";
  EXPECT_TRUE(host.lock()->isKeepingItselfAlive());
  run(0.9);
  EXPECT_TRUE(host.lock()->isKeepingItselfAlive());
  run(0.2);
  EXPECT_FALSE(host.lock()->isKeepingItselfAlive()) << "released 1 s after the timeout";
  // A final status after the timeout does not reach the app again.
  manager->clientActionControllerFinishedWithStatus(controller, qor::QORStatusSuccess);
  EXPECT_EQ(reports_.size(), 1u);
  manager.reset();
  EXPECT_TRUE(host.expired());
}

TEST_F(HostPresentation, ALateCancelDoesNotTurnAnApprovalIntoADecline) {
  auto manager = makeManager();
  auto host = manager->native();
  pause(manager);
  run(0.5);
  ASSERT_TRUE(pinOnTop());
  host->authComplete("1234");
  host->authCancelWithTimeoutError(false);
  host->authCancelWithTimeoutError(true);
  ASSERT_TRUE(screen_.settle());
  EXPECT_FALSE(host->isCancelled());
  EXPECT_TRUE(reports_.empty());
  manager->clientActionControllerFinishedWithStatus(manager->authController(), qor::QORStatusSuccess);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_FALSE(reports_[0].cancelled);
  EXPECT_EQ(reports_[0].status, qor::QORStatusSuccess);
  // Released 8 s after the decision.
  run(7.5);
  EXPECT_TRUE(host->isKeepingItselfAlive());
  run(1);
  EXPECT_FALSE(host->isKeepingItselfAlive());
}

TEST_F(HostPresentation, EachPresenterIsReleasedWhenTheRunEnds) {
  // A run that fails before the transaction: the host reports it, the unused bridge goes at once.
  auto module = qortest::ScriptedKivApi::create();
  auto manager = makeManager(nullptr, module);
  std::weak_ptr<qor::QORAuthViewController> host = manager->native();
  std::weak_ptr<qor::KivCommunicator> bridge = manager->flutter();
  ASSERT_FALSE(bridge.expired());
  manager->clientActionControllerFinishedWithStatus(manager->authController(), qor::QORStatusNotEnrolled);
  EXPECT_TRUE(bridge.expired());
  EXPECT_TRUE(module->calls().empty()) << "the module never heard of this run";
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_FALSE(reports_[0].cancelled);
  EXPECT_EQ(reports_[0].status, qor::QORStatusNotEnrolled);
  ASSERT_TRUE(reports_[0].info) << "the summary of an empty transaction";
  EXPECT_EQ(reports_[0].info->authMethod(), 1);
  EXPECT_EQ(reports_[0].info->operationType(), 0);
  EXPECT_TRUE(reports_[0].info->payments().empty());
  EXPECT_TRUE(transitions_.records().empty()) << "the host is never shown";
  run(1.1);
  manager.reset();
  EXPECT_TRUE(host.expired());

  // A manager that goes away (superseded, as the facade does) before its run ends leaves nothing behind.
  manager = makeManager(nullptr, module);
  host = manager->native();
  bridge = manager->flutter();
  manager.reset();
  EXPECT_TRUE(host.expired());
  EXPECT_TRUE(bridge.expired());
}

TEST_F(HostPresentation, AManagerThatGoesAwayWhileItsHostIsShownReleasesIt) {
  auto manager = makeManager();
  std::weak_ptr<qor::QORAuthViewController> host = manager->native();
  pause(manager);
  run(0.5);
  ASSERT_TRUE(pinOnTop());
  // The next authorization clears the screen and replaces the manager.
  screen_.root()->dismissViewControllerAnimated(false);
  ASSERT_TRUE(screen_.settle());
  manager.reset();
  EXPECT_TRUE(host.expired());
  EXPECT_TRUE(reports_.empty());
}

TEST_F(HostPresentation, TheScreenDataTakeTheProviderTextsAndNeverAnEmptyPromptReason) {
  const std::string defaultReason = "Biometric authentication request";
  const struct {
    const char* name;
    std::optional<std::string> reason;  // the provider's; nullopt for none
    std::string expected;
  } cases[] = {
      {"no reason", std::nullopt, defaultReason},
      {"an empty reason", std::string(), defaultReason},
      {"the app's reason", std::string("Sign the payment"), "Sign the payment"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto provider = qor::DefaultResourceProvider::create();
    provider->setBiometricAlertReasonText(c.reason ? std::optional(platform::AttributedString(*c.reason)) : std::nullopt);
    provider->setCancelButtonText(platform::AttributedString("Not now"));
    auto manager = makeManager(nullptr, nullptr, provider);
    auto data = manager->native()->fetchUiData(manager->authController());
    ASSERT_TRUE(data->biometricAlertReasonText());
    EXPECT_EQ(data->biometricAlertReasonText()->string(), c.expected);
    EXPECT_EQ(data->cancelButtonText()->string(), "Not now");
    // A run without a transaction shows empty texts.
    EXPECT_EQ(data->description()->string(), "");
    EXPECT_EQ(data->confirmActionHeaderText()->string(), "");
  }
}

TEST_F(HostPresentation, TheHostSceneAndTheRoundedButtonComeFromLayouts) {
  qor::registerQORPresentationClasses();
  auto bundle = platform::Bundle::create("com.example.host-app");
  bundle->addNib("Buttons", {platform::LayoutNode("QORAuthButton").set("title", "Pay")});
  platform::Bundle::registerBundle(bundle);
  auto objects = platform::Nib::nibWithName("Buttons", bundle)->instantiateWithOwner(nullptr);
  ASSERT_TRUE(objects && objects->size() == 1);
  auto button = std::dynamic_pointer_cast<qor::QORAuthButton>(objects->front());
  ASSERT_TRUE(button);
  EXPECT_EQ(button->layer().cornerRadius, 10.0);
  EXPECT_TRUE(button->layer().masksToBounds);

  auto theme = qor::QORTheme::create("Bank");
  theme->setDictonary(platform::Json{{"screenBackgroundColor", "#102030"}, {"activityIndicatorColor", "#405060"}});
  auto host = qor::QORAuthViewController::controllerWithTheme(theme, 3, nullptr, nullptr, nullptr, {});
  ASSERT_TRUE(host);
  host->view();
  ASSERT_TRUE(host->activityIndicator()) << "the scene connects the spinner";
  EXPECT_EQ(host->view()->backgroundColor(), theme->getColorForKey("screenBackgroundColor"));
  EXPECT_EQ(host->activityIndicator()->color(), theme->getColorForKey("activityIndicatorColor"));
  EXPECT_TRUE(host->resourceProvider()) << "a default provider when the app gives none";
  host->abandon();
}

}  // namespace
