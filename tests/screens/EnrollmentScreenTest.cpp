#include <gtest/gtest.h>

#include "platform/ui/Interaction.h"
#include "platform/ui/TransitionLog.h"
#include "tests/screens/ScreenTestSupport.h"
#include "ui/enrollment/QOREnrollmentViewController.h"
#include "ui/resources/QORNativeScreens.h"

using platform::TransitionRecord;
using qor::QOREnrollmentViewController;
using qor::QORStatus;

namespace {

using Kind = TransitionRecord::Kind;

// Stands in for the enrollment controller: counts its starts, and reports to the screen (its weak
// delegate) when the test says so, or at once from `start` when scripted.
class FakeEnrollmentController : public qor::QOREnrollmentStartProtocol {
 public:
  void start() override {
    ++starts;
    if (reportOnStart) report(*reportOnStart);
  }
  void report(QORStatus status) {
    if (auto screen = delegate.lock()) screen->clientActionControllerFinishedWithStatus(nullptr, status);
  }

  std::weak_ptr<qor::QORBaseClientActionControllerDelegate> delegate;
  int starts = 0;
  std::optional<QORStatus> reportOnStart;
};

class EnrollmentScreen : public qortest::ScreenTest {
 protected:
  // As the enrollment flow makes it: from its scene, with the controller, whose delegate it is, and
  // a completion that writes down each status and what the screen was doing then.
  std::shared_ptr<QOREnrollmentViewController> makeScreen(bool withCompletion = true) {
    auto screen = std::dynamic_pointer_cast<QOREnrollmentViewController>(
        qor::instantiateNativeScreen(qor::kQOREnrollmentStoryboardName, "QOREnrollmentViewController"));
    EXPECT_NE(screen, nullptr);
    controller_ = std::make_shared<FakeEnrollmentController>();
    controller_->delegate = screen;
    screen->setEnrollmentController(controller_);
    if (withCompletion) {
      std::weak_ptr<QOREnrollmentViewController> weak = screen;
      screen->setCompletion([this, weak](QORStatus status) {
        auto shown = weak.lock();
        statuses_.push_back(status);
        closingWhenCompleted_.push_back(shown && shown->isBeingDismissed());
      });
    }
    return screen;
  }

  std::shared_ptr<FakeEnrollmentController> controller_;
  std::vector<QORStatus> statuses_;
  std::vector<bool> closingWhenCompleted_;
  platform::TransitionRecorder recorder_;
};

TEST_F(EnrollmentScreen, AnInvisibleRunCompletesOnceAndFreesTheScreenAndItsController) {
  std::weak_ptr<QOREnrollmentViewController> weakScreen;
  std::weak_ptr<FakeEnrollmentController> weakController;
  {
    auto screen = makeScreen();
    weakScreen = screen;
    weakController = controller_;
    screen->startInvisibly();
    EXPECT_EQ(screen->strongSelf(), screen);
  }
  controller_.reset();
  ASSERT_FALSE(weakScreen.expired()) << "it keeps itself alive while it runs";
  EXPECT_EQ(weakController.lock()->starts, 1);

  weakController.lock()->report(1);
  EXPECT_EQ(statuses_, (std::vector<QORStatus>{1}));
  EXPECT_TRUE(weakScreen.expired());
  EXPECT_TRUE(weakController.expired());
  EXPECT_TRUE(recorder_.records().empty()) << "nothing to dismiss";
}

TEST_F(EnrollmentScreen, AnInvisibleScreenWithoutACompletionLetsGoOfItselfAtTheReport) {
  std::weak_ptr<QOREnrollmentViewController> weak;
  {
    auto screen = makeScreen(false);
    weak = screen;
    screen->startInvisibly();
  }
  ASSERT_FALSE(weak.expired());
  controller_->report(56);
  EXPECT_TRUE(weak.expired());
}

TEST_F(EnrollmentScreen, AVisibleRunStartsOnAppearingAndClosesBeforeTheCompletion) {
  std::weak_ptr<QOREnrollmentViewController> weak;
  {
    auto screen = makeScreen();
    weak = screen;
    present(screen);
  }
  EXPECT_EQ(controller_->starts, 1);
  EXPECT_EQ(weak.lock()->strongSelf(), nullptr);
  platform::TransitionRecorder recorder;  // from here on

  controller_->report(56);
  EXPECT_EQ(statuses_, (std::vector<QORStatus>{56}));
  EXPECT_EQ(closingWhenCompleted_, (std::vector<bool>{true})) << "the completion sees the screen already closing";
  ASSERT_TRUE(screen_.settle());
  const auto records = recorder.records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].kind, Kind::dismiss);
  EXPECT_FALSE(records[0].animated);
  EXPECT_EQ(platform::topPresentedViewController(), screen_.root());
  EXPECT_TRUE(weak.expired());

  // A later report reaches no completion.
  controller_->report(60);
  EXPECT_EQ(statuses_, (std::vector<QORStatus>{56}));
}

TEST_F(EnrollmentScreen, AReportDuringThePresentationClosesTheScreenOnceItIsShown) {
  auto screen = makeScreen();
  controller_->reportOnStart = 56;  // a controller that is not ready reports from start
  screen_.root()->presentViewController(screen, true);
  EXPECT_EQ(statuses_, (std::vector<QORStatus>{56}));
  ASSERT_TRUE(screen_.settle());
  ASSERT_TRUE(screen_.settle());
  EXPECT_TRUE(recorder_.refusals().empty());
  EXPECT_EQ(platform::topPresentedViewController(), screen_.root());
  EXPECT_EQ(recorder_.records().back().kind, Kind::dismiss);
}

TEST_F(EnrollmentScreen, AnAppearanceInMidRunDoesNotStartTheControllerAgain) {
  auto screen = makeScreen();
  present(screen);
  // Something full-screen over it and away again: the screen appears a second time.
  auto over = std::make_shared<platform::ViewController>();
  over->setModalPresentationStyle(platform::ModalPresentationStyle::fullScreen);
  screen->presentViewController(over, false);
  ASSERT_TRUE(screen_.settle());
  screen->dismissViewControllerAnimated(false);
  ASSERT_TRUE(screen_.settle());
  EXPECT_EQ(controller_->starts, 1);

  controller_->report(1);
  EXPECT_EQ(statuses_, (std::vector<QORStatus>{1}));
}

TEST_F(EnrollmentScreen, AScreenDismissedBySomeoneElseStillHearsItsControllerAndCompletes) {
  std::weak_ptr<QOREnrollmentViewController> weak;
  {
    auto screen = makeScreen();
    weak = screen;
    present(screen);
  }
  screen_.root()->dismissViewControllerAnimated(false);
  ASSERT_TRUE(screen_.settle());
  ASSERT_FALSE(weak.expired()) << "the run is still under way";

  controller_->report(1);
  EXPECT_EQ(statuses_, (std::vector<QORStatus>{1}));
  EXPECT_TRUE(recorder_.refusals().empty()) << "no dismissal of a screen that is gone";
  EXPECT_TRUE(weak.expired());
}

TEST_F(EnrollmentScreen, AScreenPresentedAgainAfterItsRunStartsTheControllerAgain) {
  auto screen = makeScreen();
  present(screen);
  controller_->report(20);
  ASSERT_TRUE(screen_.settle());
  present(screen);
  EXPECT_EQ(controller_->starts, 2);
  controller_->report(1);
  ASSERT_TRUE(screen_.settle());
  EXPECT_EQ(statuses_, (std::vector<QORStatus>{20})) << "the completion heard the first status only";
  EXPECT_EQ(platform::topPresentedViewController(), screen_.root());
}

TEST_F(EnrollmentScreen, TheSceneHoldsTheSpinnerAndTheDataTheFlowGives) {
  auto screen = makeScreen();
  auto data = qor::QOREnrollmentInitData::initWithTitle(platform::AttributedString("Binding"),
                                                        platform::AttributedString("Please wait"));
  screen->setEnrollmentInitData(data);
  EXPECT_EQ(screen->enrollmentInitData(), data);
  EXPECT_EQ(data->bindingDeviceTitle()->string(), "Binding");
  EXPECT_EQ(data->bindingDeviceDescription()->string(), "Please wait");
  screen->view();
  ASSERT_NE(screen->activityIndicator(), nullptr);
  EXPECT_TRUE(screen->activityIndicator()->isAnimating());
}

}  // namespace
