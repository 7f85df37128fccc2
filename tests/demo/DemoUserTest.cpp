// The demo's scripted user: it must give each native screen exactly one answer through the tap
// helpers (the PIN found on a shuffled pad), and answer the cross-platform module's transaction
// through the module's handler, however the transaction's text is shaped.
#include <gtest/gtest.h>

#include <functional>

#include "KivAbstractCore/AuthData.h"
#include "KivAbstractCore/DeclinedTransactionData.h"
#include "KivAbstractCore/KivData.h"
#include "KivAbstractCore/NativeHandler.h"
#include "KivAbstractCore/TransactionRequest.h"
#include "platform/devices/SimulatedBiometrics.h"
#include "tests/screens/ScreenTestSupport.h"
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

TEST_F(DemoUser, AnswersEachNativeScreenOnce) {
  using Make = std::function<std::shared_ptr<platform::ViewController>(std::shared_ptr<RecordingScreenDelegate>)>;
  const struct {
    const char* name;
    Make make;
    std::string call;
  } cases[] = {
      {"the PIN typed on the shuffled pad",
       [](auto d) { return qor::QORPinViewController::controllerWithTheme(nullptr, d, false, sampleAuthData()); },
       "authComplete(2580)"},
      {"confirm", [](auto d) { return qor::QORCommitAuthViewController::controllerWithTheme(nullptr, d, sampleAuthData()); },
       "commitConfirmed()"},
      {"biometric, the device recognises the face",
       [](auto d) { return qor::QORBiometricAuthViewController::controllerWithTheme(nullptr, d, sampleAuthData()); },
       "biometricConfirmed(FACE3DMAP)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedBiometrics::reset();
    SimulatedBiometrics::scriptAnswers({platform::BiometricAnswer::success()});
    delegate_->calls.clear();
    auto screen = c.make(delegate_);
    ASSERT_TRUE(screen);
    present(screen);

    demo::ScreenDriver user(false, kPin);
    EXPECT_TRUE(user.runUntil([&] { return !delegate_->calls.empty(); }, platform::seconds(30)));
    // The screen stays up until its presenter closes it; the user must not answer it again.
    EXPECT_FALSE(user.runUntil([] { return false; }, platform::seconds(2)));
    EXPECT_EQ(delegate_->calls, std::vector<std::string>{c.call});

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
  } cases[] = {
      {"approve with the PIN", demo::TextModule::ScriptedAnswer::approve, {{"payments", payments}}, "approve(\"2580\")"},
      {"decline", demo::TextModule::ScriptedAnswer::decline, {{"payments", payments}}, "decline()"},
      {"the PIN is forgotten", demo::TextModule::ScriptedAnswer::forgotPin, {{"payments", payments}},
       "decline(PIN forgotten)"},
      // The server's data may come as anything; the module still shows the rest and answers.
      {"GUI data as text", demo::TextModule::ScriptedAnswer::approve, Json(payments.dump()), "approve(\"2580\")"},
      {"payments not a list", demo::TextModule::ScriptedAnswer::approve, {{"payments", 7}}, "approve(\"2580\")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto module = demo::TextModule::create(false, kPin, c.answer);
    auto handler = std::make_shared<RecordingHandler>();
    module->attachViewWithKivData(qor::KivData::create(handler, screen_.root()));
    EXPECT_TRUE(handler->calls.empty()) << "the module reports its screen ready on a later turn";
    drain();
    ASSERT_EQ(handler->calls, std::vector<std::string>{"onScreenReady()"});

    const Json ui = {{"argGuiHeader", "Payment"}, {"argGuiText", "Pay 125.50 EUR"}, {"pinLength", 4},
                     {"argGuiFlutterScreen", Json::object()}, {"argGuiData", c.guiData}};
    module->buildUIWithParcel(qor::TransactionRequest::create(102, qor::AuthData::create(ui.dump(), false)));
    demo::ScreenDriver user(false, kPin);
    user.setModule(module);
    EXPECT_TRUE(user.runUntil([&] { return handler->calls.size() == 2; }, platform::seconds(30)));
    EXPECT_FALSE(module->isWaitingForAnswer());
    EXPECT_EQ(handler->calls, (std::vector<std::string>{"onScreenReady()", c.call}));
  }
}

}  // namespace
}  // namespace qortest
