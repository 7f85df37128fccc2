#include <gtest/gtest.h>

#include "platform/OSVersion.h"
#include "platform/Queue.h"
#include "platform/devices/SimulatedBiometrics.h"
#include "platform/ui/Interaction.h"
#include "tests/screens/ScreenTestSupport.h"
#include "ui/biometric/QORBiometricAuthViewController.h"

using platform::BiometricAnswer;
using platform::LABiometryType;
using platform::SimulatedBiometrics;
using platform::TapResult;
using qor::QORBiometricAuthViewController;

namespace {

class BiometricScreen : public qortest::ScreenTest {
 protected:
  std::shared_ptr<QORBiometricAuthViewController> presentScreen() {
    auto screen = QORBiometricAuthViewController::controllerWithTheme(nullptr, delegate_, qortest::sampleAuthData());
    present(screen);
    return screen;
  }
  // Lets the prompt's reply run on its queue and then the main queue, however it ends.
  static void settleReplies() {
    platform::MainQueue::shared()->runUntil([] { return false; }, platform::seconds(1));
  }
};

TEST_F(BiometricScreen, EachPromptEndsInAtMostOneReport) {
  struct Case {
    const char* name;
    LABiometryType type;
    int systemVersion;
    BiometricAnswer answer;
    bool lockedOutBeforeTheReply;
    std::vector<std::string> calls;
  };
  const auto failure = BiometricAnswer::failure;
  const Case cases[] = {
      {"face id approves", LABiometryType::faceID, 17, BiometricAnswer::success(), false, {"biometricConfirmed(FACE3DMAP)"}},
      {"touch id approves", LABiometryType::touchID, 17, BiometricAnswer::success(), false, {"biometricConfirmed(FINGERPRINT)"}},
      {"before 11 every sensor is a fingerprint", LABiometryType::faceID, 10, BiometricAnswer::success(), false,
       {"biometricConfirmed(FINGERPRINT)"}},
      {"fallback button", LABiometryType::faceID, 17, failure(platform::LAErrorUserFallback), false, {"fallbackToPin()"}},
      // The user chose the PIN: no decline follows, though biometrics went away meanwhile.
      {"fallback button while biometrics went away", LABiometryType::touchID, 17, failure(platform::LAErrorUserFallback),
       true, {"fallbackToPin()"}},
      {"user cancels the prompt", LABiometryType::faceID, 17, failure(platform::LAErrorUserCancel), false, {}},
      {"no match, biometrics still there", LABiometryType::faceID, 17, failure(platform::LAErrorAuthenticationFailed),
       false, {}},
      {"too many failed matches", LABiometryType::faceID, 17, failure(platform::LAErrorBiometryLockout), false,
       {"biometricCancelled(NO)"}},
      {"system cancel after a lock-out", LABiometryType::touchID, 17, failure(platform::LAErrorSystemCancel), true,
       {"biometricCancelled(NO)"}},
      // The type is read off the prompt's own context when the report runs.
      {"success reported after a lock-out", LABiometryType::faceID, 17, BiometricAnswer::success(), true,
       {"biometricConfirmed()"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedBiometrics::reset();
    SimulatedBiometrics::setBiometryType(c.type);
    platform::ScopedOperatingSystemVersion version({c.systemVersion, 0, 0});
    delegate_->calls.clear();
    auto screen = presentScreen();

    ASSERT_EQ(screen->confirmButton()->currentTitle() == "Confirm with Face ID",
              c.type == LABiometryType::faceID && c.systemVersion >= 11);
    ASSERT_EQ(platform::tap(screen->confirmButton()), TapResult::delivered);
    const auto prompts = SimulatedBiometrics::openPrompts();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0], (platform::BiometricPrompt{platform::LAPolicy::deviceOwnerAuthenticationWithBiometrics,
                                                     "Approve the payment", "Authenticate with PIN"}));
    if (c.lockedOutBeforeTheReply) SimulatedBiometrics::setLockedOut(true);
    ASSERT_TRUE(SimulatedBiometrics::answerPrompt(c.answer));
    ASSERT_TRUE(platform::VirtualTime::waitForIdle());
    EXPECT_TRUE(delegate_->calls.empty()) << "reports wait for the main queue";
    settleReplies();
    EXPECT_EQ(delegate_->calls, c.calls);

    screen_.root()->dismissViewControllerAnimated(false);
    ASSERT_TRUE(screen_.settle());
  }
}

TEST_F(BiometricScreen, TheConfirmTitleFollowsTheDeviceAndWithoutBiometricsConfirmDoesNothing) {
  struct Case {
    const char* name;
    LABiometryType type;
    bool enrolled;
    int systemVersion;
    const char* title;
    bool prompts;
  };
  const Case cases[] = {
      {"face id", LABiometryType::faceID, true, 17, "Confirm with Face ID", true},
      {"touch id", LABiometryType::touchID, true, 17, "Confirm with Touch ID", true},
      {"face id before 11", LABiometryType::faceID, true, 10, "Confirm with Touch ID", true},
      {"no sensor", LABiometryType::none, true, 17, "Confirm with Touch ID", false},
      {"nothing enrolled", LABiometryType::faceID, false, 17, "Confirm with Touch ID", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedBiometrics::reset();
    SimulatedBiometrics::setBiometryType(c.type);
    SimulatedBiometrics::setEnrolled(c.enrolled);
    platform::ScopedOperatingSystemVersion version({c.systemVersion, 0, 0});
    delegate_->calls.clear();
    auto screen = presentScreen();
    EXPECT_EQ(screen->confirmButton()->currentTitle(), c.title);
    ASSERT_EQ(platform::tapButtonWithTitle(c.title), TapResult::delivered);
    EXPECT_EQ(SimulatedBiometrics::promptHistory().size(), c.prompts ? 1u : 0u);
    settleReplies();
    EXPECT_TRUE(delegate_->calls.empty());
    ASSERT_EQ(platform::tapButtonWithTitle("Cancel"), TapResult::delivered);
    EXPECT_EQ(delegate_->calls, (std::vector<std::string>{"biometricCancelled(NO)"}));
    screen_.root()->dismissViewControllerAnimated(false);
    ASSERT_TRUE(screen_.settle());
  }
}

TEST_F(BiometricScreen, ConfirmMayBePressedAgainAfterAPromptThatEndedWithoutAReport) {
  auto screen = presentScreen();
  ASSERT_EQ(platform::tap(screen->confirmButton()), TapResult::delivered);
  ASSERT_TRUE(SimulatedBiometrics::answerPrompt(BiometricAnswer::failure(platform::LAErrorUserCancel)));
  settleReplies();
  EXPECT_TRUE(delegate_->calls.empty());
  ASSERT_EQ(platform::tap(screen->confirmButton()), TapResult::delivered);
  ASSERT_TRUE(SimulatedBiometrics::answerPrompt(BiometricAnswer::success()));
  settleReplies();
  EXPECT_EQ(delegate_->calls, (std::vector<std::string>{"biometricConfirmed(FACE3DMAP)"}));
  EXPECT_EQ(SimulatedBiometrics::promptHistory().size(), 2u);
}

TEST_F(BiometricScreen, AnOpenPromptKeepsTheScreenUntilItsReplyRan) {
  std::weak_ptr<QORBiometricAuthViewController> weak;
  {
    auto screen = QORBiometricAuthViewController::controllerWithTheme(nullptr, delegate_, qortest::sampleAuthData());
    screen->view();
    screen->confirmAction();
    weak = screen;
  }
  EXPECT_FALSE(weak.expired());
  ASSERT_TRUE(SimulatedBiometrics::answerPrompt(BiometricAnswer::success()));
  settleReplies();
  EXPECT_EQ(delegate_->calls, (std::vector<std::string>{"biometricConfirmed(FACE3DMAP)"}));
  EXPECT_TRUE(weak.expired());
}

}  // namespace
