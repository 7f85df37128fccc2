#include <gtest/gtest.h>

#include "platform/devices/SimulatedBiometrics.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/AlertController.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ScreenText.h"
#include "platform/ui/StackView.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/Window.h"
#include "tests/theme/ImageFixtures.h"
#include "tests/ui/UiTestSupport.h"

using platform::Button;
using platform::HeadlessWindow;
using platform::TapResult;
using platform::View;
using platform::ViewController;

namespace {

class Interaction : public qortest::VirtualTimeTest {};

TEST_F(Interaction, ATapReachesOnlyAControlThatAPersonCouldTouch) {
  struct Case {
    const char* what;
    std::function<void(View& outer, Button& button)> change;
    TapResult result;
  };
  const Case cases[] = {
      {"visible and enabled", [](View&, Button&) {}, TapResult::delivered},
      {"hidden", [](View&, Button& b) { b.setHidden(true); }, TapResult::hidden},
      {"inside a hidden view", [](View& o, Button&) { o.setHidden(true); }, TapResult::hidden},
      {"disabled", [](View&, Button& b) { b.setEnabled(false); }, TapResult::disabled},
      {"takes no touches", [](View&, Button& b) { b.setUserInteractionEnabled(false); }, TapResult::userInteractionDisabled},
      {"inside a view that takes none", [](View& o, Button&) { o.setUserInteractionEnabled(false); },
       TapResult::userInteractionDisabled},
      {"hidden and disabled", [](View&, Button& b) { b.setHidden(true), b.setEnabled(false); }, TapResult::hidden},
      {"out of the window", [](View&, Button& b) { b.removeFromSuperview(); }, TapResult::notInWindow},
  };
  for (const auto& c : cases) {
    HeadlessWindow screen;
    auto outer = std::make_shared<View>();
    auto button = std::make_shared<Button>();
    int taps = 0;
    button->addAction([&](platform::Control&) { ++taps; }, platform::kControlEventTouchUpInside);
    screen.root()->view()->addSubview(outer);
    outer->addSubview(button);
    c.change(*outer, *button);
    EXPECT_EQ(platform::tap(button), c.result) << c.what;
    EXPECT_EQ(taps, c.result == TapResult::delivered ? 1 : 0) << c.what;
  }
  // A label takes no touches, so neither does a button put inside one.
  HeadlessWindow screen;
  auto label = std::make_shared<platform::Label>();
  auto button = std::make_shared<Button>();
  screen.root()->view()->addSubview(label);
  label->addSubview(button);
  EXPECT_EQ(platform::tap(button), TapResult::userInteractionDisabled);
  EXPECT_EQ(platform::tap(nullptr), TapResult::notFound);
}

TEST_F(Interaction, AnAlertTakesTheTouchesAndCallsItsHandlerOnceDismissed) {
  HeadlessWindow screen;
  auto pay = std::make_shared<Button>();
  pay->setTitle("Pay");
  screen.root()->view()->addSubview(pay);
  std::vector<std::string> seen;
  auto alert = platform::AlertController::alertControllerWithTitle("Session", "Expired", platform::AlertControllerStyle::alert);
  alert->addAction(platform::AlertAction::actionWithTitle("Retry", platform::AlertActionStyle::defaultStyle,
                                                          [&](const auto& action) {
                                                            seen.push_back(*action->title());
                                                            EXPECT_EQ(screen.root()->presentedViewController(), nullptr);
                                                          }));
  auto later = platform::AlertAction::actionWithTitle("Later", platform::AlertActionStyle::cancel);
  alert->addAction(later);
  later->setEnabled(false);
  screen.root()->presentViewController(alert, true);
  ASSERT_TRUE(screen.settle());

  EXPECT_EQ(platform::tap(pay), TapResult::covered);
  EXPECT_EQ(platform::tapButtonWithTitle("Later"), TapResult::disabled);
  EXPECT_EQ(platform::tapButtonWithTitle("Pay"), TapResult::notFound) << "not on the alert";
  EXPECT_EQ(platform::tapButtonWithTitle("Retry"), TapResult::delivered);
  EXPECT_TRUE(seen.empty()) << "the handler waits for the dismissal";
  ASSERT_TRUE(screen.settle());
  EXPECT_EQ(seen, (std::vector<std::string>{"Retry"}));
}

TEST_F(Interaction, TheScreenRendersWhatAPersonSeesOnTheKeyWindow) {
  platform::SimulatedBiometrics::reset();
  HeadlessWindow screen;
  auto root = screen.root()->view();
  auto title = std::make_shared<platform::Label>();
  title->setText("Hi there,\ncould you please yuvo this?");
  auto card = std::make_shared<View>();
  auto header = std::make_shared<platform::Label>();
  header->setText("Payment");
  auto hidden = std::make_shared<platform::Label>();
  hidden->setText("secret");
  hidden->setHidden(true);
  auto logo = std::make_shared<platform::ImageView>(platform::Image::imageWithData(qortest::pngHeader(400, 100)));
  auto confirm = std::make_shared<Button>();
  confirm->setTitle("Confirm");
  auto cancel = std::make_shared<Button>();
  cancel->setTitle("Cancel");
  cancel->setEnabled(false);
  auto spinner = std::make_shared<platform::ActivityIndicatorView>();
  for (const auto& v : std::vector<std::shared_ptr<View>>{title, card, confirm, cancel, spinner}) root->addSubview(v);
  card->addSubview(header);
  header->addSubview(hidden);
  card->addSubview(logo);

  EXPECT_EQ(platform::renderScreen(),
            "== UIViewController ==\n"
            "\"Hi there,\\ncould you please yuvo this?\"\n"
            "\"Payment\"\n"
            "<image 400x100>\n"
            "[Confirm]\n"
            "[Cancel] (disabled)\n");
  EXPECT_EQ(platform::renderView(card), "\"Payment\"\n<image 400x100>\n");

  // A full-screen controller hides what is below; an alert over it leaves it in view.
  auto pin = std::make_shared<ViewController>();
  pin->setModalPresentationStyle(platform::ModalPresentationStyle::fullScreen);
  auto digit = std::make_shared<Button>();
  digit->setTitle("7");
  pin->view()->addSubview(digit);
  screen.root()->presentViewController(pin, false);
  ASSERT_TRUE(screen.settle());
  auto alert = platform::AlertController::alertControllerWithTitle("Title", std::nullopt, platform::AlertControllerStyle::alert);
  alert->addAction(platform::AlertAction::actionWithTitle("OK", platform::AlertActionStyle::defaultStyle));
  pin->presentViewController(alert, false);
  ASSERT_TRUE(screen.settle());
  auto context = platform::LAContext::create();
  context->setLocalizedFallbackTitle("Authenticate with PIN");
  context->evaluatePolicy(platform::LAPolicy::deviceOwnerAuthenticationWithBiometrics, "Approve the payment",
                          [](bool, const auto&) {});
  EXPECT_EQ(platform::renderScreen(),
            "== UIViewController ==\n"
            "[7]\n"
            "== UIAlertController ==\n"
            "\"Title\"\n"
            "[OK]\n"
            "== biometric prompt ==\n"
            "\"Approve the payment\"\n"
            "[Authenticate with PIN]\n"
            "[Cancel]\n");
  platform::SimulatedBiometrics::reset();
}

TEST_F(Interaction, AHorizontalStackShowsItsRowOnOneLineAndLaysItOutInEqualShares) {
  auto label = [](const char* text) {
    auto l = std::make_shared<platform::Label>();
    l->setText(text);
    return l;
  };
  auto key = [](const char* title) {
    auto b = std::make_shared<Button>();
    b->setTitle(title);
    return b;
  };
  auto row = std::make_shared<platform::StackView>(platform::Rect::make(0, 0, 100, 40));
  row->setSpacing(5);
  auto hidden = label("secret");
  hidden->setHidden(true);
  auto nested = std::make_shared<View>();  // shows nothing itself; its button still belongs to the row
  nested->addSubview(key("2"));
  for (const auto& v : std::vector<std::shared_ptr<View>>{key("1"), hidden, nested, label("_")}) row->addSubview(v);
  auto root = std::make_shared<View>();
  root->addSubview(label("PIN"));
  root->addSubview(row);
  EXPECT_EQ(platform::renderView(root), "\"PIN\"\n[1]  [2]  \"_\"\n");

  row->layoutIfNeeded();
  EXPECT_EQ(row->subviews()[0]->frame(), platform::Rect::make(0, 0, 30, 40));
  EXPECT_EQ(row->subviews()[2]->frame(), platform::Rect::make(35, 0, 30, 40));
  EXPECT_EQ(row->subviews()[3]->frame(), platform::Rect::make(70, 0, 30, 40));

  // A row with nothing to show renders nothing; a vertical stack renders like any view.
  for (const auto& v : row->subviews()) v->setHidden(true);
  EXPECT_EQ(platform::renderView(root), "\"PIN\"\n");
  auto column = std::make_shared<platform::StackView>();
  ASSERT_TRUE(column->setValueForKey("axis", "vertical"));
  EXPECT_FALSE(column->setValueForKey("axis", "diagonal"));
  column->addSubview(key("A"));
  column->addSubview(key("B"));
  EXPECT_EQ(platform::renderView(column), "[A]\n[B]\n");
}

TEST_F(Interaction, WithoutAKeyWindowThereIsNoScreen) {
  {
    HeadlessWindow screen;
    EXPECT_TRUE(screen.window()->isKeyWindow());
    EXPECT_EQ(platform::Application::shared().keyWindow(), screen.window());
  }
  EXPECT_EQ(platform::Application::shared().keyWindow(), nullptr);
  EXPECT_EQ(platform::renderScreen(), "(no screen)\n");
  EXPECT_EQ(platform::topPresentedViewController(), nullptr);
  EXPECT_EQ(platform::tapButtonWithTitle("OK"), TapResult::notFound);
}

TEST_F(Interaction, ContainersShowOneChildWithItsAppearanceCalls) {
  auto events = qortest::makeEvents();
  auto first = qortest::recording("First", events);
  auto second = qortest::recording("Second", events);
  auto nav = platform::NavigationController::create(first);
  HeadlessWindow screen(nav);
  EXPECT_EQ(*events, (std::vector<std::string>{"First.load", "First.willAppear", "First.didAppear"}));
  events->clear();
  nav->pushViewController(second, true);
  EXPECT_EQ(*events, (std::vector<std::string>{"First.willDisappear", "First.didDisappear", "Second.load",
                                               "Second.willAppear", "Second.didAppear"}));
  EXPECT_EQ(nav->topViewController(), second);
  EXPECT_EQ(second->navigationController(), nav);
  EXPECT_EQ(nav->view()->subviews(), (std::vector<std::shared_ptr<View>>{second->view()}));
  EXPECT_EQ(nav->popViewControllerAnimated(true), second);
  EXPECT_EQ(nav->popViewControllerAnimated(true), nullptr) << "the root stays";
  EXPECT_EQ(nav->visibleViewController(), first);
  nav->setViewControllers({});
  EXPECT_EQ(nav->visibleViewController(), nullptr);

  auto tabs = std::make_shared<platform::TabBarController>();
  EXPECT_EQ(tabs->selectedViewController(), nullptr);
  auto inner = platform::NavigationController::create(second);
  tabs->setViewControllers({first, inner});
  EXPECT_EQ(tabs->selectedViewController(), first);
  tabs->setSelectedIndex(1);
  EXPECT_EQ(tabs->selectedViewController(), inner);
  tabs->setSelectedIndex(7);
  EXPECT_EQ(tabs->selectedIndex(), 1u);
  EXPECT_EQ(second->tabBarController(), tabs);
  EXPECT_EQ(second->navigationController(), inner);
}

}  // namespace
