#include <gtest/gtest.h>

#include "platform/Queue.h"
#include "platform/SystemLog.h"
#include "platform/ui/Button.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TransitionLog.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "tests/ui/UiTestSupport.h"

using platform::Clock;
using platform::HeadlessWindow;
using platform::MainQueue;
using platform::ModalPresentationStyle;
using platform::TransitionRecord;
using platform::TransitionRecorder;
using platform::ViewController;
using qortest::recording;

namespace {

using Kind = TransitionRecord::Kind;

class Presentation : public qortest::VirtualTimeTest {
 protected:
  qortest::Events events_ = qortest::makeEvents();
  std::shared_ptr<qortest::RecordingController> root_ = recording("Root", events_);
  HeadlessWindow screen_{root_};
  TransitionRecorder recorder_;

  void SetUp() override { events_->clear(); }
};

TEST_F(Presentation, PresentLoadsTheViewLazilyAndEndsWithTheCompletionAfterDidAppear) {
  auto a = recording("A", events_);
  EXPECT_FALSE(a->isViewLoaded());
  bool done = false;
  const auto start = Clock::now();
  platform::TimePoint doneAt;
  root_->presentViewController(a, true, [&] {
    EXPECT_TRUE(MainQueue::shared()->isCurrent());
    EXPECT_FALSE(a->isBeingPresented());
    a->note("completion");
    done = true;
    doneAt = Clock::now();
  });
  // Linked at once, appearing, but not done before the main queue runs.
  EXPECT_EQ(root_->presentedViewController(), a);
  EXPECT_EQ(a->presentingViewController(), root_);
  EXPECT_TRUE(a->isBeingPresented());
  EXPECT_FALSE(done);
  ASSERT_TRUE(screen_.settle());
  EXPECT_TRUE(done);
  EXPECT_EQ(doneAt - start, platform::kAnimatedTransitionDuration);
  EXPECT_EQ(*events_, (std::vector<std::string>{"A.load", "A.willAppear", "A.didAppear", "A.completion"}));
  EXPECT_EQ(a->view()->window(), screen_.window());
  EXPECT_EQ(a->view()->frame(), screen_.window()->bounds());
}

TEST_F(Presentation, WithoutAnimationItEndsOnTheNextTurnOfTheMainQueue) {
  auto a = recording("A", events_);
  bool done = false;
  const auto start = Clock::now();
  root_->presentViewController(a, false, [&] { done = true; });
  MainQueue::shared()->drain();
  EXPECT_TRUE(done);
  EXPECT_EQ(Clock::now(), start);
}

TEST_F(Presentation, RefusalsAreLoggedRecordedAndNeverComplete) {
  auto a = recording("A", events_);
  auto b = recording("B", events_);
  auto loose = recording("Loose", events_);
  platform::LogCapture log;
  int completions = 0;
  auto count = [&] { ++completions; };

  root_->presentViewController(a, true, count);
  root_->presentViewController(b, false, count);  // a transition is under way
  a->dismissViewControllerAnimated(false, count);  // likewise
  ASSERT_TRUE(screen_.settle());
  EXPECT_EQ(completions, 1);

  root_->presentViewController(b, false, count);  // root already presents A
  a->presentViewController(root_, false, count);  // the root is on screen already
  a->presentViewController(a, false, count);      // itself
  loose->presentViewController(b, false, count);  // not in a window
  b->dismissViewControllerAnimated(false, count);  // neither presents nor is presented
  a->presentViewController(nullptr, false, count);
  MainQueue::shared()->drain();
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(root_->presentedViewController(), a);
  EXPECT_EQ(a->presentedViewController(), nullptr);

  const auto refusals = recorder_.refusals();
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Root", "while a presentation or dismissal is in progress"},
      {"Root", "while a presentation or dismissal is in progress"},  // A's presenter would dismiss it
      {"Root", "which is already presenting A"},
      {"A", "which is already on screen"},
      {"A", "which is already on screen"},
      {"Loose", "whose view is not in the window hierarchy"},
      {"B", "neither presents nor is presented"},
      {"A", "(nothing to present)"},
  };
  ASSERT_EQ(refusals.size(), expected.size());
  const auto logged = log.messages();
  ASSERT_EQ(logged.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(refusals[i].from, expected[i].first) << i;
    EXPECT_NE(refusals[i].reason.find(expected[i].second), std::string::npos) << refusals[i].reason;
    EXPECT_EQ(logged[i], refusals[i].reason) << i;
  }
}

TEST_F(Presentation, PresentingOverAPresentedControllerAndDismissingTheChainFromBelow) {
  auto a = recording("A", events_);
  auto b = recording("B", events_);
  auto c = recording("C", events_);
  root_->presentViewController(a, false);
  ASSERT_TRUE(screen_.settle());
  a->presentViewController(b, true);
  ASSERT_TRUE(screen_.settle());
  b->presentViewController(c, false);
  ASSERT_TRUE(screen_.settle());
  EXPECT_EQ(platform::presentedChain(screen_.window()), (std::vector<std::shared_ptr<ViewController>>{root_, a, b, c}));
  EXPECT_EQ(platform::topPresentedViewController(), c);

  events_->clear();
  std::weak_ptr<ViewController> weakB = b;
  std::weak_ptr<ViewController> weakC = c;
  b.reset();
  c.reset();
  bool done = false;
  // A presents B: dismissing from A takes B and everything above it.
  a->dismissViewControllerAnimated(true, [&] {
    EXPECT_EQ(a->presentedViewController(), nullptr);
    done = true;
  });
  EXPECT_TRUE(weakB.lock()->isBeingDismissed());
  EXPECT_TRUE(weakC.lock()->isBeingDismissed());
  ASSERT_TRUE(screen_.settle());
  EXPECT_TRUE(done);
  EXPECT_EQ(*events_, (std::vector<std::string>{"C.willDisappear", "B.willDisappear", "C.didDisappear",
                                                "B.didDisappear"}));
  EXPECT_TRUE(weakB.expired()) << "the window no longer holds a dismissed controller";
  EXPECT_TRUE(weakC.expired());
  EXPECT_EQ(platform::presentedChain(screen_.window()), (std::vector<std::shared_ptr<ViewController>>{root_, a}));
  EXPECT_EQ(screen_.window()->subviews().back(), a->view()) << "dismissed views leave the window";

  // The presented one dismisses itself through its presenter.
  a->dismissViewControllerAnimated(false);
  ASSERT_TRUE(screen_.settle());
  EXPECT_EQ(root_->presentedViewController(), nullptr);

  const auto records = recorder_.records();
  std::vector<std::tuple<Kind, std::string, std::string, bool>> seen;
  for (const auto& r : records) seen.emplace_back(r.kind, r.from, r.to, r.animated);
  EXPECT_EQ(seen, (std::vector<std::tuple<Kind, std::string, std::string, bool>>{
                      {Kind::present, "Root", "A", false},
                      {Kind::present, "A", "B", true},
                      {Kind::present, "B", "C", false},
                      {Kind::dismiss, "A", "B", true},
                      {Kind::dismiss, "Root", "A", false},
                  }));
}

TEST_F(Presentation, FullScreenCoversThePresenterWhichAppearsAgainOnDismissal) {
  struct Case {
    ModalPresentationStyle style;
    std::vector<std::string> presentEvents;
    std::vector<std::string> dismissEvents;
  };
  const Case cases[] = {
      {ModalPresentationStyle::fullScreen,
       {"A.load", "A.willAppear", "Root.willDisappear", "A.didAppear", "Root.didDisappear"},
       {"A.willDisappear", "Root.willAppear", "A.didDisappear", "Root.didAppear"}},
      {ModalPresentationStyle::automatic,
       {"A.load", "A.willAppear", "A.didAppear"},
       {"A.willDisappear", "A.didDisappear"}},
      {ModalPresentationStyle::overFullScreen,
       {"A.load", "A.willAppear", "A.didAppear"},
       {"A.willDisappear", "A.didDisappear"}},
  };
  for (const auto& c : cases) {
    auto a = recording("A", events_);
    a->setModalPresentationStyle(c.style);
    events_->clear();
    root_->presentViewController(a, true);
    ASSERT_TRUE(screen_.settle());
    EXPECT_EQ(*events_, c.presentEvents) << int(c.style);
    events_->clear();
    a->dismissViewControllerAnimated(true);
    ASSERT_TRUE(screen_.settle());
    EXPECT_EQ(*events_, c.dismissEvents) << int(c.style);
  }
}

// What the system's callers must do with a refusal: defer and try again until it goes through.
TEST_F(Presentation, ACallerThatRetriesAfterARefusalGetsThrough) {
  auto a = recording("A", events_);
  auto b = recording("B", events_);
  root_->presentViewController(a, true);
  bool presented = false;
  std::function<void()> attempt = [&] {
    if (root_->presentedViewController() == a && !a->isBeingPresented() && !a->isBeingDismissed()) {
      a->presentViewController(b, false, [&] { presented = true; });
      return;
    }
    MainQueue::shared()->postAfter(platform::seconds(0.1), attempt);
  };
  attempt();
  ASSERT_TRUE(MainQueue::shared()->runUntil([&] { return presented; }, platform::seconds(5)));
  EXPECT_EQ(a->presentedViewController(), b);
  EXPECT_TRUE(recorder_.refusals().empty());
}

TEST_F(Presentation, AChildPresentsThroughItsContainerAndSeesItsLinks) {
  auto top = recording("Top", events_);
  auto nav = platform::NavigationController::create(top);
  root_->presentViewController(nav, false);
  ASSERT_TRUE(screen_.settle());
  auto alert = recording("Alert", events_);
  top->presentViewController(alert, false);
  ASSERT_TRUE(screen_.settle());
  EXPECT_EQ(nav->presentedViewController(), alert);
  EXPECT_EQ(top->presentedViewController(), alert);
  EXPECT_EQ(alert->presentingViewController(), nav);
  EXPECT_EQ(top->presentingViewController(), root_) << "the nearest presented ancestor's presenter";
  EXPECT_EQ(nav->visibleViewController(), alert);
  EXPECT_EQ(top->window(), screen_.window());

  top->dismissViewControllerAnimated(false);  // the container dismisses what it presents
  ASSERT_TRUE(screen_.settle());
  EXPECT_EQ(nav->presentedViewController(), nullptr);
  EXPECT_EQ(nav->visibleViewController(), top);
}

TEST_F(Presentation, ATransitionStillUnderWayBlocksTapsAndThePresentedViewTakesTheTouches) {
  auto a = recording("A", events_);
  auto button = std::make_shared<platform::Button>();
  button->setTitle("Go");
  int taps = 0;
  button->addAction([&](platform::Control&) { ++taps; }, platform::kControlEventTouchUpInside);
  root_->view()->addSubview(button);
  root_->presentViewController(a, true);
  EXPECT_EQ(platform::tap(button), platform::TapResult::inTransition);
  ASSERT_TRUE(screen_.settle());
  EXPECT_EQ(platform::tap(button), platform::TapResult::covered);
  a->dismissViewControllerAnimated(false);
  ASSERT_TRUE(screen_.settle());
  EXPECT_EQ(platform::tap(button), platform::TapResult::delivered);
  EXPECT_EQ(taps, 1);
}

}  // namespace
