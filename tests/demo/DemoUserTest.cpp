// The demo's scripted user: it must give each native screen exactly one answer through the tap
// helpers (the PIN found on a shuffled pad), and answer the cross-platform module's transaction
// through the module's handler, however the transaction's text is shaped.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <iostream>
#include <sstream>

#include "KivAbstractCore/AuthData.h"
#include "KivAbstractCore/DeclinedTransactionData.h"
#include "KivAbstractCore/KivData.h"
#include "KivAbstractCore/NativeHandler.h"
#include "KivAbstractCore/TransactionRequest.h"
#include "platform/devices/SimulatedBiometrics.h"
#include "tests/screens/ScreenTestSupport.h"
#include "tools/demo/Console.h"
#include "tools/demo/ScreenDriver.h"
#include "tools/demo/TextModule.h"
#include "ui/biometric/QORBiometricAuthViewController.h"
#include "ui/confirm/QORCommitAuthViewController.h"
#include "ui/pin/QORPinViewController.h"

namespace qortest {
namespace {

using platform::Json;
using platform::SimulatedBiometrics;

constexpr const char* kPin = "2580";

class RecordingHandler final : public qor::NativeHandler {
 public:
  void waterMarkScreenWithBitmap(const Json&) override {}
  void approveTransactionWithData(const Json& data) override { calls.push_back("approve(" + data.dump() + ")"); }
  void declineTransaction() override { calls.push_back("decline()"); }
  void onScreenReady() override { calls.push_back("onScreenReady()"); }
  void detectOverlay() override {}
  void onBackButtonPressed() override {}
  void invalidMethodCallWithMethodName(const std::string&) override {}
  void declineTransactionWithData(std::shared_ptr<qor::DeclinedTransactionData> data) override {
    calls.push_back(std::string("decline(") + (data && data->didUserForgetPin() ? "PIN forgotten" : "") + ")");
  }

  std::vector<std::string> calls;
};

using DemoUser = ScreenTest;
using Make = std::function<std::shared_ptr<platform::ViewController>(std::shared_ptr<RecordingScreenDelegate>)>;

Make pinScreen() {
  return [](auto d) { return qor::QORPinViewController::controllerWithTheme(nullptr, d, false, sampleAuthData()); };
}
Make confirmScreen() {
  return [](auto d) { return qor::QORCommitAuthViewController::controllerWithTheme(nullptr, d, sampleAuthData()); };
}
Make biometricScreen() {
  return [](auto d) { return qor::QORBiometricAuthViewController::controllerWithTheme(nullptr, d, sampleAuthData()); };
}

// Standard input read from `text` while it lives.
class TypedInput {
 public:
  explicit TypedInput(const std::string& text) : in_(text), old_(std::cin.rdbuf(in_.rdbuf())) { std::cin.clear(); }
  ~TypedInput() {
    std::cin.rdbuf(old_);
    std::cin.clear();
  }

 private:
  std::istringstream in_;
  std::streambuf* old_;
};

TEST_F(DemoUser, AnswersEachNativeScreenOnce) {
  const struct {
    const char* name;
    Make make;
    std::string call;
  } cases[] = {
      {"the PIN typed on the shuffled pad", pinScreen(), "authComplete(2580)"},
      {"confirm", confirmScreen(), "commitConfirmed()"},
      {"biometric, the device recognises the face", biometricScreen(), "biometricConfirmed(FACE3DMAP)"},
      // The pad has four slots; the screen itself would confirm a PIN of any length.
      {"a scripted PIN the pad does not take", pinScreen(), "authCancel(NO)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedBiometrics::reset();
    SimulatedBiometrics::scriptAnswers({platform::BiometricAnswer::success()});
    delegate_->calls.clear();
    auto screen = c.make(delegate_);
    ASSERT_TRUE(screen);
    present(screen);

    demo::ScreenDriver user(false, c.call == "authCancel(NO)" ? "123" : kPin);
    EXPECT_TRUE(user.runUntil([&] { return !delegate_->calls.empty(); }, platform::seconds(30)));
    // The screen stays up until its presenter closes it; the user must not answer it again.
    EXPECT_FALSE(user.runUntil([] { return false; }, platform::seconds(2)));
    EXPECT_EQ(delegate_->calls, std::vector<std::string>{c.call});

    screen_.root()->dismissViewControllerAnimated(false);
    drain();
  }
}

// The person at the terminal: a prompt takes only the answers it lists (in any letter case) and asks
// again on anything else; the PIN must have the pad's length; at the end of input nothing is tapped.
TEST_F(DemoUser, TakesOnlyListedAnswersFromThePerson) {
  const struct {
    const char* name;
    Make make;
    std::string typed;
    std::vector<std::string> calls;  // none: the input ended first
  } cases[] = {
      {"PIN of the wrong length, letters, then four digits", pinScreen(), "\n123\nabcd\n25801\n 0913 \n",
       {"authComplete(0913)"}},
      {"PIN pad cancelled", pinScreen(), "C\n", {"authCancel(NO)"}},
      {"confirm after an empty and an unlisted answer", confirmScreen(), "\nyes\nA\n", {"commitConfirmed()"}},
      {"confirm declined", confirmScreen(), "Decline\n", {"commitCancelled(NO)"}},
      {"biometric approved, the device asked until it hears a listed answer", biometricScreen(), "a\n\nyes\nR\n",
       {"biometricConfirmed(FACE3DMAP)"}},
      {"input ends at the PIN", pinScreen(), "12\n", {}},
      {"input ends at the approval", confirmScreen(), "", {}},
      {"input ends at the biometric device", biometricScreen(), "a\n", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedBiometrics::reset();
    delegate_->calls.clear();
    auto screen = c.make(delegate_);
    ASSERT_TRUE(screen);
    present(screen);
    {
      TypedInput input(c.typed);
      demo::ScreenDriver user(true, kPin);
      EXPECT_EQ(user.runUntil([&] { return !delegate_->calls.empty(); }, platform::seconds(30)), !c.calls.empty());
      EXPECT_EQ(demo::Console::inputEnded(), c.calls.empty());
    }
    EXPECT_EQ(delegate_->calls, c.calls);
    // A prompt left open must not answer the next case's screen.
    if (!SimulatedBiometrics::openPrompts().empty()) {
      SimulatedBiometrics::answerPrompt(platform::BiometricAnswer::failure(platform::LAErrorUserCancel));
    }
    screen_.root()->dismissViewControllerAnimated(false);
    drain();
  }
}

TEST_F(DemoUser, AnswersTheModulesTransactionThroughItsHandler) {
  const Json payments = Json::array({{{"amount", 125.5}, {"recipient", "ACME Energy Ltd"}}});
  const struct {
    const char* name;
    demo::TextModule::ScriptedAnswer answer;
    Json guiData;
    std::string call;
    std::optional<std::string> typed;  // the person's input; none: the script answers
  } cases[] = {
      {"approve with the PIN", demo::TextModule::ScriptedAnswer::approve, {{"payments", payments}}, "approve(\"2580\")", {}},
      {"decline", demo::TextModule::ScriptedAnswer::decline, {{"payments", payments}}, "decline()", {}},
      {"the PIN is forgotten", demo::TextModule::ScriptedAnswer::forgotPin, {{"payments", payments}},
       "decline(PIN forgotten)", {}},
      // The server's data may come as anything; the module still shows the rest and answers.
      {"GUI data as text", demo::TextModule::ScriptedAnswer::approve, Json(payments.dump()), "approve(\"2580\")", {}},
      {"payments not a list", demo::TextModule::ScriptedAnswer::approve, {{"payments", 7}}, "approve(\"2580\")", {}},
      // The person: the PIN must have the transaction's length; only listed answers count.
      {"the person approves after a short PIN", demo::TextModule::ScriptedAnswer::forgotPin, {{"payments", payments}},
       "approve(\"0913\")", "12\nyes\n0913\n"},
      {"the person forgot the PIN", demo::TextModule::ScriptedAnswer::approve, {{"payments", payments}},
       "decline(PIN forgotten)", "\nF\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto module = demo::TextModule::create(c.typed.has_value(), kPin, c.answer);
    auto handler = std::make_shared<RecordingHandler>();
    module->attachViewWithKivData(qor::KivData::create(handler, screen_.root()));
    EXPECT_TRUE(handler->calls.empty()) << "the module reports its screen ready on a later turn";
    drain();
    ASSERT_EQ(handler->calls, std::vector<std::string>{"onScreenReady()"});

    const Json ui = {{"argGuiHeader", "Payment"}, {"argGuiText", "Pay 125.50 EUR"}, {"pinLength", 4},
                     {"argGuiFlutterScreen", Json::object()}, {"argGuiData", c.guiData}};
    module->buildUIWithParcel(qor::TransactionRequest::create(102, qor::AuthData::create(ui.dump(), false)));
    TypedInput input(c.typed.value_or(""));
    demo::ScreenDriver user(c.typed.has_value(), kPin);
    user.setModule(module);
    EXPECT_TRUE(user.runUntil([&] { return handler->calls.size() == 2; }, platform::seconds(30)));
    EXPECT_FALSE(module->isWaitingForAnswer());
    EXPECT_EQ(handler->calls, (std::vector<std::string>{"onScreenReady()", c.call}));
  }
}

}  // namespace
}  // namespace qortest
