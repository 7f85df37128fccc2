#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/Queue.h"
#include "platform/ui/Application.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/ScreenText.h"
#include "platform/ui/TransitionLog.h"
#include "tests/screens/ScreenTestSupport.h"
#include "ui/pin/QORKeyboard.h"
#include "ui/pin/QORKeyboardButton.h"
#include "ui/pin/QORPinViewController.h"
#include "ui/pin/internal/UniformRandom.h"

using platform::TapResult;
using qor::QORKeyboard;
using qor::QORPinViewController;

namespace {

const std::string kBullet = QORPinViewController::kMaskedSlot;

class PinScreen : public qortest::ScreenTest {
 protected:
  std::shared_ptr<QORPinViewController> makeScreen(std::shared_ptr<qor::QORTheme> theme = nullptr) {
    return QORPinViewController::controllerWithTheme(std::move(theme), delegate_, false, qortest::sampleAuthData());
  }
  std::shared_ptr<QORPinViewController> presentScreen() {
    auto pin = makeScreen();
    present(pin);
    return pin;
  }

  // A finger on the keypad's key of that digit.
  static TapResult press(const std::shared_ptr<QORPinViewController>& pin, const std::string& digit) {
    return platform::tap(platform::findButtonWithTitle(pin->keyboard(), digit));
  }
  static std::vector<std::string> slots(const std::shared_ptr<QORPinViewController>& pin) {
    std::vector<std::string> out;
    for (const auto& slot : pin->pinArray()) out.push_back(slot->text().value_or("(none)"));
    return out;
  }
};

// A step of a script: a digit, "del", or "wait" (0.25 s).
struct Step {
  const char* action;
  std::vector<std::string> slots;
  const char* pin;
  int64_t index;
};

TEST_F(PinScreen, ScriptsOfDigitsDeletesAndTimeGiveTheSlotsAndThePin) {
  const std::string b = kBullet;
  struct Script {
    const char* name;
    std::vector<Step> steps;
  };
  const Script scripts[] = {
      {"four digits, then a fifth",
       {{"1", {"1", "_", "_", "_"}, "1", 1},
        {"2", {b, "2", "_", "_"}, "12", 2},
        {"3", {b, b, "3", "_"}, "123", 3},
        {"4", {b, b, b, "4"}, "1234", 3},
        {"wait", {b, b, b, b}, "1234", 3},
        {"5", {b, b, b, b}, "1234", 3}}},
      {"masking after a quarter second",
       {{"7", {"7", "_", "_", "_"}, "7", 1}, {"wait", {b, "_", "_", "_"}, "7", 1}, {"8", {b, "8", "_", "_"}, "78", 2}}},
      {"deletes after four digits",
       {{"1", {"1", "_", "_", "_"}, "1", 1},
        {"2", {b, "2", "_", "_"}, "12", 2},
        {"3", {b, b, "3", "_"}, "123", 3},
        {"4", {b, b, b, "4"}, "1234", 3},
        {"del", {b, b, b, "_"}, "123", 3},
        {"del", {b, b, "_", "_"}, "12", 2},
        {"9", {b, b, "9", "_"}, "129", 3}}},
      {"1 2 delete 5 6",
       {{"1", {"1", "_", "_", "_"}, "1", 1},
        {"2", {b, "2", "_", "_"}, "12", 2},
        {"del", {b, "_", "_", "_"}, "1", 1},
        {"5", {b, "5", "_", "_"}, "15", 2},
        {"6", {b, b, "6", "_"}, "156", 3}}},
      {"delete with nothing entered", {{"del", {"_", "_", "_", "_"}, "", 0}, {"3", {"3", "_", "_", "_"}, "3", 1}}},
      // The masking due for a slot that was cleared in the meantime leaves it empty, so it takes the
      // next digit.
      {"delete before the masking",
       {{"4", {"4", "_", "_", "_"}, "4", 1},
        {"5", {b, "5", "_", "_"}, "45", 2},
        {"del", {b, "_", "_", "_"}, "4", 1},
        {"wait", {b, "_", "_", "_"}, "4", 1},
        {"6", {b, "6", "_", "_"}, "46", 2}}},
  };
  for (const auto& script : scripts) {
    SCOPED_TRACE(script.name);
    auto pin = presentScreen();
    ASSERT_EQ(slots(pin), (std::vector<std::string>{"_", "_", "_", "_"}));
    for (const auto& step : script.steps) {
      const std::string action = step.action;
      if (action == "del") {
        ASSERT_EQ(platform::tap(pin->removeButton()), TapResult::delivered);
      } else if (action == "wait") {
        advance(0.25);
      } else {
        ASSERT_EQ(press(pin, action), TapResult::delivered) << action;
      }
      EXPECT_EQ(slots(pin), step.slots) << "after " << action;
      EXPECT_EQ(pin->pin(), step.pin) << "after " << action;
      EXPECT_EQ(pin->uniqueTag(), step.index) << "after " << action;
    }
    screen_.root()->dismissViewControllerAnimated(false);
    ASSERT_TRUE(screen_.settle());
  }
}

TEST_F(PinScreen, TwoScreensKeepIndependentIndices) {
  auto first = presentScreen();
  ASSERT_EQ(press(first, "1"), TapResult::delivered);
  ASSERT_EQ(press(first, "2"), TapResult::delivered);
  ASSERT_EQ(press(first, "3"), TapResult::delivered);

  // A second screen loads its view while the first holds three digits.
  auto second = makeScreen();
  second->view();
  second->valueButtonPressed("9");
  EXPECT_EQ(second->pin(), "9");
  EXPECT_EQ(second->uniqueTag(), 1);

  ASSERT_EQ(press(first, "4"), TapResult::delivered);
  EXPECT_EQ(first->pin(), "1234");
  EXPECT_EQ(first->uniqueTag(), 3);
  advance(0.25);
  EXPECT_EQ(slots(first), (std::vector<std::string>{kBullet, kBullet, kBullet, kBullet}));
  EXPECT_EQ(slots(second), (std::vector<std::string>{kBullet, "_", "_", "_"}));
}

TEST_F(PinScreen, ConfirmAndCancelReportOnceAndEndTheInput) {
  struct Case {
    const char* name;
    std::vector<std::string> digits;
    const char* button;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"confirm with two digits", {"4", "2"}, "Confirm", {"authComplete(42)"}},
      {"confirm at once", {}, "Confirm", {"authComplete()"}},
      {"cancel", {"1"}, "Cancel", {"authCancel(NO)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    delegate_->calls.clear();
    auto pin = presentScreen();
    for (const auto& digit : c.digits) ASSERT_EQ(press(pin, digit), TapResult::delivered);
    ASSERT_EQ(platform::tapButtonWithTitle(c.button), TapResult::delivered);
    EXPECT_EQ(delegate_->calls, c.calls);
    // The screen now only waits to be dismissed.
    EXPECT_EQ(platform::tapButtonWithTitle("Confirm"), TapResult::userInteractionDisabled);
    EXPECT_EQ(press(pin, "5"), TapResult::userInteractionDisabled);
    EXPECT_EQ(delegate_->calls, c.calls);
    screen_.root()->dismissViewControllerAnimated(false);
    ASSERT_TRUE(screen_.settle());
  }

  // Without a delegate the input still ends.
  auto lonely = QORPinViewController::controllerWithTheme(nullptr, nullptr, false, qortest::sampleAuthData());
  present(lonely);
  ASSERT_EQ(platform::tapButtonWithTitle("Cancel"), TapResult::delivered);
  EXPECT_FALSE(lonely->view()->isUserInteractionEnabled());
}

TEST_F(PinScreen, SlotsHideWhileTheAppIsInactiveUntilTheScreenIsDone) {
  auto pin = presentScreen();
  ASSERT_EQ(press(pin, "1"), TapResult::delivered);
  const auto visibleSlots = [&] {
    size_t shown = 0;
    for (const auto& slot : pin->pinArray()) shown += slot->isHidden() ? 0 : 1;
    return shown;
  };

  pin->setDataHidden(true);
  EXPECT_EQ(visibleSlots(), 0u);
  EXPECT_FALSE(pin->keyboard()->isHidden());
  EXPECT_FALSE(pin->authInfo()->isHidden());
  EXPECT_FALSE(pin->confirmButton()->isHidden());
  EXPECT_EQ(platform::renderView(pin->view()).find("_"), std::string::npos) << "no slot is rendered";
  platform::Application::shared().didBecomeActive();
  EXPECT_EQ(visibleSlots(), 4u);

  // After confirm the screen no longer listens.
  ASSERT_EQ(platform::tapButtonWithTitle("Confirm"), TapResult::delivered);
  pin->setDataHidden(true);
  platform::Application::shared().didBecomeActive();
  EXPECT_EQ(visibleSlots(), 0u);
}

TEST_F(PinScreen, NeitherTheKeypadNorTheMaskingKeepsTheScreenAlive) {
  std::weak_ptr<QORPinViewController> weak;
  std::weak_ptr<QORKeyboard> keypad;
  {
    auto pin = makeScreen();
    pin->view();
    keypad = pin->keyboard();
    ASSERT_FALSE(keypad.expired());
    EXPECT_EQ(keypad.lock()->delegate().lock(), pin);
    pin->valueButtonPressed("1");  // schedules the masking
    weak = pin;
  }
  EXPECT_TRUE(weak.expired());
  EXPECT_TRUE(keypad.expired());
  advance(0.25);  // the masking finds nothing to do
}

TEST_F(PinScreen, ForceCloseLeavesTheTopAtOnceWithoutADecision) {
  platform::TransitionRecorder recorder;
  auto pin = presentScreen();
  ASSERT_EQ(press(pin, "1"), TapResult::delivered);
  pin->forceClose();
  ASSERT_TRUE(screen_.settle());
  EXPECT_EQ(platform::topPresentedViewController(), screen_.root());
  EXPECT_TRUE(delegate_->calls.empty());
  const auto records = recorder.records();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.back().kind, platform::TransitionRecord::Kind::dismiss);
  EXPECT_FALSE(records.back().animated);
  EXPECT_FALSE(pin->view()->isUserInteractionEnabled());

  // Also when something is presented over it.
  auto again = presentScreen();
  auto over = std::make_shared<platform::ViewController>();
  again->presentViewController(over, false);
  ASSERT_TRUE(screen_.settle());
  again->forceClose();
  ASSERT_TRUE(screen_.settle());
  EXPECT_EQ(platform::topPresentedViewController(), screen_.root());
}

TEST_F(PinScreen, TheFactoryGivesAFreshScreenWithAnEmptyPin) {
  auto first = presentScreen();
  ASSERT_EQ(press(first, "8"), TapResult::delivered);
  auto data = qortest::sampleAuthData();
  auto theme = qortest::themeWithColors({});
  auto second = QORPinViewController::controllerWithTheme(theme, delegate_, true, data);
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(second->isViewLoaded());
  EXPECT_EQ(second->pin(), "");
  EXPECT_TRUE(second->isFallback());
  EXPECT_EQ(second->theme(), theme);
  EXPECT_EQ(second->authData(), data);
  EXPECT_EQ(second->delegate().lock(), delegate_);
}

TEST_F(PinScreen, ThemeColoursGoToTheirViews) {
  auto pin = makeScreen(qortest::themeWithColors(qortest::allThemeColorKeys()));
  pin->view();
  using qortest::colorOf;
  EXPECT_EQ(pin->titleLabel()->textColor(), colorOf(qor::QORThemePinTitleTextColorKey));
  for (const auto& slot : pin->pinArray()) EXPECT_EQ(slot->textColor(), colorOf(qor::QORThemePinValueTextColorKey));
  EXPECT_EQ(pin->removeButton()->titleColorForState(platform::kControlStateNormal),
            colorOf(qor::QORThemePinRemoveButtonTextColorKey));
  ASSERT_EQ(pin->keyboard()->valueButtons().size(), 10u);
  for (const auto& key : pin->keyboard()->valueButtons()) {
    EXPECT_EQ(key->titleColorForState(platform::kControlStateNormal), colorOf(qor::QORThemePinNumberButtonTextColorKey));
    EXPECT_EQ(key->backgroundColor(), colorOf(qor::QORThemePinNumberButtonBackgroundColorKey));
  }
  EXPECT_EQ(pin->cancelButton()->titleColorForState(platform::kControlStateNormal),
            colorOf(qor::QORThemeCancelButtonTextColorKey));
  EXPECT_EQ(pin->confirmButton()->titleColorForState(platform::kControlStateNormal),
            colorOf(qor::QORThemeConfirmButtonTextColorKey));
  EXPECT_EQ(pin->confirmButton()->backgroundColor(), colorOf(qor::QORThemeConfirmButtonBackgroundColorKey));
  EXPECT_EQ(pin->view()->backgroundColor(), colorOf(qor::QORThemeScreenBackgroundColorKey));
  EXPECT_EQ(pin->authInfo()->fromValueLabel()->text(), "Acme Bank");
  EXPECT_EQ(pin->authInfo()->messageLabel()->textColor(), colorOf(qor::QORThemeMessageTextColorKey));

  // Without a theme the layout's colours stay and the card still shows the transaction.
  auto plain = makeScreen();
  plain->view();
  const auto layoutKey = plain->keyboard()->valueButtons().front();
  EXPECT_EQ(layoutKey->backgroundColor(), platform::Color::colorWithRed(0xF4 / 255.0, 0xF4 / 255.0, 0xF8 / 255.0, 1));
  EXPECT_EQ(plain->authInfo()->headerLabel()->text(), "Payment order");
  EXPECT_EQ(plain->authInfo()->messageLabel()->text(), "Pay EUR 12.50 to Acme Ltd");
  EXPECT_EQ(plain->authInfo()->fromValueLabel()->text(), std::nullopt);
}

// The keypad's outlets, first to tenth, as the shuffle sees them.
std::vector<std::shared_ptr<platform::Button>> outlets(const QORKeyboard& pad) {
  return {pad.firstButton(),   pad.secondButton(), pad.thirdButton(), pad.forthButton(), pad.fifthButton(),
          pad.sixthButton(),   pad.seventhButton(), pad.eigthButton(), pad.ninthButton(), pad.tenthButton()};
}

TEST(Keypad, AScriptedSourceGivesExactlyThePermutationOfItsDraws) {
  // Draw i answers with the bound it was asked for, so the exchanges are known: i with i + r.
  const std::vector<uint32_t> draws = {3, 0, 7, 1, 5, 0, 2, 1, 1};
  std::vector<uint32_t> bounds;
  std::shared_ptr<QORKeyboard> pad;
  {
    size_t next = 0;
    qor::internal::ScopedUniformRandomSource scripted([&](uint32_t bound) {
      bounds.push_back(bound);
      return draws.at(next++);
    });
    pad = qor::QORXIBControl::createWithFrame<QORKeyboard>(platform::Rect::make(0, 0, 270, 312));
  }
  EXPECT_EQ(bounds, (std::vector<uint32_t>{10, 9, 8, 7, 6, 5, 4, 3, 2}));
  // Fisher-Yates by hand over the outlet positions.
  std::vector<size_t> order = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  for (size_t i = 0; i < draws.size(); ++i) std::swap(order[i], order[i + draws[i]]);
  const auto buttons = outlets(*pad);
  for (size_t digit = 0; digit < 10; ++digit) {
    EXPECT_EQ(buttons[order[digit]]->currentTitle(), std::to_string(digit)) << "digit " << digit;
    EXPECT_EQ(pad->valueButtons()[digit], buttons[order[digit]]);
  }

  // One item needs no draw.
  std::vector<std::shared_ptr<platform::Button>> one = {std::make_shared<platform::Button>()};
  bounds.clear();
  qor::internal::ScopedUniformRandomSource counting([&](uint32_t bound) {
    bounds.push_back(bound);
    return 0u;
  });
  pad->shuffle(one);
  EXPECT_TRUE(bounds.empty());
  std::vector<std::shared_ptr<platform::Button>> none;
  pad->shuffle(none);
  EXPECT_TRUE(bounds.empty());
}

TEST(Keypad, EveryKeypadCarriesEachDigitOnceAndEveryDigitReachesEveryButton) {
  std::set<std::pair<size_t, std::string>> seen;  // (outlet, digit)
  for (int run = 0; run < 400; ++run) {
    auto pad = qor::QORXIBControl::createWithFrame<QORKeyboard>(platform::Rect::make(0, 0, 270, 312));
    const auto buttons = outlets(*pad);
    std::multiset<std::string> digits;
    for (size_t i = 0; i < buttons.size(); ++i) {
      ASSERT_NE(buttons[i], nullptr);
      const auto title = buttons[i]->currentTitle().value_or("");
      digits.insert(title);
      seen.emplace(i, title);
    }
    ASSERT_EQ(digits, (std::multiset<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"})) << "run " << run;
  }
  // 100 pairs; with 400 uniform keypads a missing pair has a chance of about 1e-16.
  EXPECT_EQ(seen.size(), 100u);
}

TEST(Keypad, ItsButtonsAreRoundWithAShadowAndSendTheirDigitToAWeakDelegate) {
  auto pad = qor::QORXIBControl::createWithFrame<QORKeyboard>(platform::Rect::make(0, 0, 270, 312));
  pad->layoutIfNeeded();
  for (const auto& key : pad->valueButtons()) {
    ASSERT_NE(std::dynamic_pointer_cast<qor::QORKeyboardButton>(key), nullptr);
    EXPECT_EQ(key->frame().size, (platform::Size{72, 72}));
    EXPECT_EQ(key->layer().cornerRadius, 36);
    EXPECT_FALSE(key->layer().masksToBounds);
    EXPECT_EQ(key->layer().shadowOffset, (platform::Size{1, 2}));
    EXPECT_EQ(key->layer().shadowRadius, 2);
    EXPECT_EQ(key->layer().shadowOpacity, 0.3);
    EXPECT_EQ(key->layer().shadowColor, platform::Color::colorWithRed(0, 0, 0, 1));
  }

  struct Listener : qor::QORKeyboardDelegate {
    std::vector<std::string> values;
    void valueButtonPressed(const std::string& value) override { values.push_back(value); }
  };
  auto listener = std::make_shared<Listener>();
  pad->setDelegate(listener);
  auto seven = platform::findButtonWithTitle(pad, "7");
  ASSERT_NE(seven, nullptr);
  seven->sendActionsForControlEvents(platform::kControlEventTouchUpInside);
  EXPECT_EQ(listener->values, (std::vector<std::string>{"7"}));
  std::weak_ptr<Listener> weak = listener;
  listener.reset();
  EXPECT_TRUE(weak.expired());
  seven->sendActionsForControlEvents(platform::kControlEventTouchUpInside);  // nobody to tell
}

}  // namespace
