#include <gtest/gtest.h>

#include "platform/SystemLog.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Button.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/Label.h"
#include "platform/ui/Window.h"

using platform::Button;
using platform::LayoutAttribute;
using platform::LayoutConstraint;
using platform::Rect;
using platform::Size;
using platform::View;

namespace {

TEST(Geometry, AspectFitTakesTheLargestCentredRectangle) {
  struct Case {
    Size aspect;
    Rect bounds;
    Rect fitted;
  };
  const Case cases[] = {
      {{400, 100}, Rect::make(0, 0, 200, 44), Rect::make(12, 0, 176, 44)},
      {{44, 44}, Rect::make(0, 0, 200, 44), Rect::make(78, 0, 44, 44)},
      {{1000, 50}, Rect::make(0, 0, 200, 44), Rect::make(0, 17, 200, 10)},
      {{3, 1}, Rect::make(10, 20, 30, 30), Rect::make(10, 30, 30, 10)},
      {{0, 10}, Rect::make(0, 0, 200, 44), Rect::make(100, 22, 0, 0)},
      {{10, -1}, Rect::make(0, 0, 200, 44), Rect::make(100, 22, 0, 0)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::makeRectWithAspectRatioInsideRect(c.aspect, c.bounds), c.fitted)
        << c.aspect.width << "x" << c.aspect.height;
  }
  EXPECT_EQ(Rect::make(0, 0, 10, 10).intersection(Rect::make(5, 5, 10, 10)), Rect::make(5, 5, 5, 5));
  EXPECT_TRUE(Rect::make(0, 0, 10, 10).intersection(Rect::make(10, 0, 5, 5)).isEmpty());
}

TEST(View, SubviewsMoveBetweenSuperviewsAndCyclesAreRefused) {
  auto a = std::make_shared<View>();
  auto b = std::make_shared<View>();
  auto c = std::make_shared<View>();
  a->addSubview(b);
  b->addSubview(c);
  a->insertSubview(c, 0);  // moves
  EXPECT_EQ(a->subviews(), (std::vector<std::shared_ptr<View>>{c, b}));
  EXPECT_TRUE(b->subviews().empty());
  EXPECT_EQ(c->superview(), a);

  platform::LogCapture log;
  c->addSubview(a);  // its own ancestor
  b->addSubview(b);
  EXPECT_EQ(log.messages().size(), 2u);
  EXPECT_EQ(a->superview(), nullptr);
  EXPECT_TRUE(b->subviews().empty());

  c->removeFromSuperview();
  EXPECT_EQ(a->subviews(), (std::vector<std::shared_ptr<View>>{b}));
  EXPECT_EQ(c->superview(), nullptr);
  std::weak_ptr<View> weakB = b;
  b.reset();
  EXPECT_FALSE(weakB.expired()) << "the superview holds its subviews";
  a.reset();
  EXPECT_TRUE(weakB.expired()) << "and nothing holds the superview back";
}

TEST(View, TintColourComesDownFromTheWindowAndEveryViewFindsItsWindow) {
  auto window = std::make_shared<platform::Window>(Rect::make(0, 0, 100, 100));
  auto outer = std::make_shared<View>();
  auto inner = std::make_shared<View>();
  window->addSubview(outer);
  outer->addSubview(inner);
  EXPECT_EQ(inner->window(), window);
  EXPECT_EQ(std::make_shared<View>()->window(), nullptr);
  const auto red = platform::Color::colorWithRed(1, 0, 0, 1);
  window->setTintColor(red);
  EXPECT_EQ(inner->tintColor(), red);
  outer->setTintColor(platform::Color::clearColor());
  EXPECT_EQ(inner->tintColor(), platform::Color::clearColor());
}

class CountingView : public View {
 public:
  void layoutSubviews() override {
    ++layouts;
    seenSize = frame().size;
  }
  int layouts = 0;
  Size seenSize;
};

TEST(View, LayoutRunsWhenNeededWithActiveSizeConstraintsApplied) {
  auto parent = std::make_shared<CountingView>();
  auto child = std::make_shared<CountingView>();
  parent->addSubview(child);
  child->setFrame(Rect::make(5, 6, 10, 10));
  auto width = LayoutConstraint::create(child, LayoutAttribute::width, 176);
  auto height = LayoutConstraint::create(child, LayoutAttribute::height, 44);
  LayoutConstraint::activateConstraints({width, height});
  EXPECT_EQ(child->constraints().size(), 2u);

  parent->layoutIfNeeded();
  EXPECT_EQ(parent->layouts, 1);
  EXPECT_EQ(child->layouts, 1);
  EXPECT_EQ(child->seenSize, (Size{176, 44})) << "constraints apply before layoutSubviews";
  EXPECT_EQ(child->frame().origin, (platform::Point{5, 6}));
  parent->layoutIfNeeded();
  EXPECT_EQ(child->layouts, 1) << "nothing changed";

  width->setConstant(200);
  parent->layoutIfNeeded();
  EXPECT_EQ(child->layouts, 2);
  EXPECT_EQ(child->frame().size.width, 200);
  width->setActive(false);
  EXPECT_EQ(child->constraints().size(), 1u);
  child->setFrame(Rect::make(0, 0, 50, 50));
  parent->layoutIfNeeded();
  EXPECT_EQ(child->frame().size, (Size{50, 44}));
}

TEST(Control, ActionsRunInOrderForTheirEventsAndTargetsAreHeldWeakly) {
  struct Target : platform::Responder {
    std::vector<std::string>* log = nullptr;
    platform::ActionHandler actionNamed(std::string_view name) override {
      if (name == "first" || name == "second") {
        return [this, n = std::string(name)](platform::Control*) { log->push_back(n); };
      }
      return {};
    }
  };
  std::vector<std::string> log;
  auto target = std::make_shared<Target>();
  target->log = &log;
  auto button = std::make_shared<Button>();
  button->addTarget(target, "first", platform::kControlEventTouchUpInside);
  button->addAction([&](platform::Control&) { log.push_back("block"); }, platform::kControlEventTouchUpInside);
  button->addTarget(target, "second", platform::kControlEventTouchDown | platform::kControlEventTouchUpInside);
  button->addTarget(target, "missing", platform::kControlEventTouchUpInside);

  platform::LogCapture logged;
  button->sendActionsForControlEvents(platform::kControlEventTouchDown);
  button->sendActionsForControlEvents(platform::kControlEventTouchUpInside);
  EXPECT_EQ(log, (std::vector<std::string>{"second", "first", "block", "second"}));
  EXPECT_EQ(logged.messages(), (std::vector<std::string>{"UIResponder has no action \"missing\""}));
  EXPECT_EQ(button->actionsForTarget(target.get(), platform::kControlEventTouchUpInside),
            (std::vector<std::string>{"first", "second", "missing"}));

  log.clear();
  target.reset();
  button->sendActionsForControlEvents(platform::kControlEventTouchUpInside);
  EXPECT_EQ(log, (std::vector<std::string>{"block"})) << "a target that is gone gets nothing";
}

TEST(Button, TitlesAndColoursFallBackToTheNormalState) {
  Button button;
  const auto white = platform::Color::colorWithRed(1, 1, 1, 1);
  const auto grey = platform::Color::colorWithRed(0.5, 0.5, 0.5, 1);
  button.setTitle("Confirm");
  button.setTitleColor(white);
  button.setTitleColor(grey, platform::kControlStateDisabled);
  EXPECT_EQ(button.currentTitle(), "Confirm");
  button.setEnabled(false);
  EXPECT_EQ(button.state(), platform::kControlStateDisabled);
  EXPECT_EQ(button.currentTitle(), "Confirm");
  EXPECT_EQ(button.currentTitleColor(), grey);
  button.setTitle("Wait", platform::kControlStateDisabled);
  EXPECT_EQ(button.currentTitle(), "Wait");
  EXPECT_EQ(button.screenText(), "[Wait] (disabled)");
  button.setEnabled(true);
  button.setSelected(true);
  EXPECT_EQ(button.currentTitleColor(), white);
  button.setTitle(std::nullopt);
  EXPECT_EQ(button.currentTitle(), std::nullopt);
  EXPECT_EQ(button.screenText(), "[] (selected)");
}

TEST(ActivityIndicator, HidesWhileStoppedUnlessToldOtherwise) {
  platform::ActivityIndicatorView spinner;
  EXPECT_TRUE(spinner.isHidden());
  spinner.startAnimating();
  EXPECT_FALSE(spinner.isHidden());
  EXPECT_EQ(spinner.screenText(), "(busy)");
  spinner.stopAnimating();
  EXPECT_TRUE(spinner.isHidden());
  spinner.setHidesWhenStopped(false);
  EXPECT_FALSE(spinner.isHidden());
  EXPECT_EQ(spinner.screenText(), "(idle)");
}

}  // namespace
