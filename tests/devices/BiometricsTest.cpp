#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "platform/Queue.h"
#include "platform/SystemLog.h"
#include "platform/devices/LAContext.h"
#include "platform/devices/SimulatedBiometrics.h"

using platform::BiometricAnswer;
using platform::LABiometryType;
using platform::LAContext;
using platform::LAPolicy;
using platform::SimulatedBiometrics;

namespace {

constexpr auto kBiometrics = LAPolicy::deviceOwnerAuthenticationWithBiometrics;

// One reply of a prompt, waited for in real time (it comes from the background queue).
struct Reply {
  std::mutex mutex;
  std::condition_variable cv;
  bool arrived = false;
  bool success = false;
  std::optional<platform::Error> error;
  bool onBackgroundQueue = false;

  LAContext::Reply block() {
    return [this](bool ok, const std::optional<platform::Error>& e) {
      std::lock_guard lock(mutex);
      arrived = true;
      success = ok;
      error = e;
      onBackgroundQueue = platform::BackgroundQueue::global()->isCurrent();
      cv.notify_all();
    };
  }
  bool wait() {
    std::unique_lock lock(mutex);
    return cv.wait_for(lock, std::chrono::seconds(10), [this] { return arrived; });
  }
  std::optional<int64_t> code() const { return error ? std::optional<int64_t>(error->code) : std::nullopt; }
};

class Biometrics : public testing::Test {
 protected:
  void SetUp() override { SimulatedBiometrics::reset(); }
  void TearDown() override { SimulatedBiometrics::reset(); }
};

TEST_F(Biometrics, TheDeviceStateDecidesWhetherEachPolicyCanBeEvaluated) {
  struct Case {
    const char* what;
    LABiometryType type;
    bool enrolled, lockedOut, passcode;
    std::optional<int64_t> biometricError;  // nullopt: can evaluate
    bool ownerPolicy;
  };
  const Case cases[] = {
      {"face id", LABiometryType::faceID, true, false, true, std::nullopt, true},
      {"touch id", LABiometryType::touchID, true, false, true, std::nullopt, true},
      {"no sensor", LABiometryType::none, true, false, true, platform::LAErrorBiometryNotAvailable, true},
      {"nothing enrolled", LABiometryType::faceID, false, false, true, platform::LAErrorBiometryNotEnrolled, true},
      {"locked out", LABiometryType::touchID, true, true, true, platform::LAErrorBiometryLockout, true},
      {"no passcode", LABiometryType::faceID, true, false, false, platform::LAErrorPasscodeNotSet, false},
  };
  for (const auto& c : cases) {
    SimulatedBiometrics::setBiometryType(c.type);
    SimulatedBiometrics::setEnrolled(c.enrolled);
    SimulatedBiometrics::setLockedOut(c.lockedOut);
    SimulatedBiometrics::setPasscodeSet(c.passcode);
    auto context = LAContext::create();
    EXPECT_EQ(context->biometryType(), LABiometryType::none) << c.what << ": unknown before asking";
    std::optional<platform::Error> error;
    EXPECT_EQ(context->canEvaluatePolicy(kBiometrics, &error), !c.biometricError) << c.what;
    EXPECT_EQ(error ? std::optional<int64_t>(error->code) : std::nullopt, c.biometricError) << c.what;
    if (error) {
      EXPECT_EQ(error->domain, platform::LAErrorDomain);
    }
    EXPECT_EQ(context->biometryType(), c.type) << c.what << ": known once asked, whatever the answer";
    EXPECT_EQ(context->canEvaluatePolicy(LAPolicy::deviceOwnerAuthentication), c.ownerPolicy) << c.what;
  }
}

TEST_F(Biometrics, ScriptedAnswersReplyOnTheBackgroundQueueInOrder) {
  struct Case {
    const char* what;
    BiometricAnswer answer;
    bool success;
    std::optional<int64_t> code;
    bool availableAfter;
  };
  const Case cases[] = {
      {"recognised", BiometricAnswer::success(), true, std::nullopt, true},
      {"fallback button", BiometricAnswer::failure(platform::LAErrorUserFallback), false, -3, true},
      {"cancelled", BiometricAnswer::failure(platform::LAErrorUserCancel), false, -2, true},
      {"no match", BiometricAnswer::failure(platform::LAErrorAuthenticationFailed), false, -1, true},
      {"locked out", BiometricAnswer::failure(platform::LAErrorBiometryLockout), false, -8, false},
      {"refused while locked out", BiometricAnswer::success(), false, -8, false},
  };
  std::vector<BiometricAnswer> script;
  for (const auto& c : cases) script.push_back(c.answer);
  SimulatedBiometrics::scriptAnswers(script);
  for (const auto& c : cases) {
    auto context = LAContext::create();
    context->setLocalizedFallbackTitle("Authenticate with PIN");
    Reply reply;
    context->evaluatePolicy(kBiometrics, "Approve", reply.block());
    ASSERT_TRUE(reply.wait()) << c.what;
    EXPECT_TRUE(reply.onBackgroundQueue) << c.what;
    EXPECT_EQ(reply.success, c.success) << c.what;
    EXPECT_EQ(reply.code(), c.code) << c.what;
    EXPECT_EQ(LAContext::create()->canEvaluatePolicy(kBiometrics), c.availableAfter) << c.what;
  }
  // The refused prompt never opened, so it took no scripted answer.
  EXPECT_EQ(SimulatedBiometrics::promptHistory().size(), 5u);
  EXPECT_EQ(SimulatedBiometrics::promptHistory().front(),
            (platform::BiometricPrompt{kBiometrics, "Approve", "Authenticate with PIN"}));
}

TEST_F(Biometrics, APromptWithoutAScriptedAnswerWaitsForTheUser) {
  auto context = LAContext::create();
  Reply reply;
  context->evaluatePolicy(kBiometrics, "Sign in", reply.block());
  ASSERT_EQ(SimulatedBiometrics::openPrompts().size(), 1u);
  EXPECT_EQ(SimulatedBiometrics::openPrompts()[0].reason, "Sign in");
  EXPECT_EQ(SimulatedBiometrics::openPrompts()[0].fallbackTitle, std::nullopt);
  EXPECT_FALSE(reply.arrived);
  EXPECT_TRUE(SimulatedBiometrics::answerPrompt(BiometricAnswer::failure(platform::LAErrorUserFallback)));
  ASSERT_TRUE(reply.wait());
  EXPECT_EQ(reply.code(), platform::LAErrorUserFallback);
  EXPECT_TRUE(SimulatedBiometrics::openPrompts().empty());
  EXPECT_FALSE(SimulatedBiometrics::answerPrompt(BiometricAnswer::success()));
}

TEST_F(Biometrics, AnEmptyReasonIsRefusedInsteadOfShowingAPrompt) {
  platform::LogCapture log;
  Reply reply;
  LAContext::create()->evaluatePolicy(kBiometrics, "", reply.block());
  ASSERT_TRUE(reply.wait());
  EXPECT_FALSE(reply.success);
  EXPECT_EQ(reply.code(), platform::LAErrorSystemCancel);
  EXPECT_TRUE(SimulatedBiometrics::promptHistory().empty());
  EXPECT_EQ(log.messages().size(), 1u);
}

TEST_F(Biometrics, ResetDropsOpenPromptsAndWhatTheirRepliesHold) {
  auto held = std::make_shared<int>(1);
  std::weak_ptr<int> weak = held;
  LAContext::create()->evaluatePolicy(kBiometrics, "Approve", [held](bool, const auto&) {});
  held.reset();
  EXPECT_FALSE(weak.expired()) << "an open prompt keeps its reply";
  SimulatedBiometrics::reset();
  EXPECT_TRUE(weak.expired());
}

}  // namespace
