// The simulated biometric device behind LAContext, set up by the host app or a test: which biometry
// it has, whether a finger or face is enrolled, whether it is locked out, whether a passcode is set,
// and what the user does at each prompt.
//
// A prompt takes the next scripted answer as soon as it opens; without one it stays open until
// answerPrompt (a test or the demo playing the user). An answer of LAErrorBiometryLockout also locks
// the device out, as too many failed matches do.
//
// Safe from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/QORPlatformExport.h"
#include "platform/devices/LAContext.h"

namespace platform {

struct QOR_PLATFORM_EXPORT BiometricAnswer {
  std::optional<int64_t> errorCode;  // nullopt: the user was recognised

  static BiometricAnswer success() { return BiometricAnswer{std::nullopt}; }
  // LAErrorUserFallback (the fallback button), LAErrorUserCancel, LAErrorAuthenticationFailed (no
  // match), LAErrorBiometryLockout, ...
  static BiometricAnswer failure(int64_t code) { return BiometricAnswer{code}; }
};

struct QOR_PLATFORM_EXPORT BiometricPrompt {
  LAPolicy policy = LAPolicy::deviceOwnerAuthenticationWithBiometrics;
  std::string reason;
  std::optional<std::string> fallbackTitle;

  bool operator==(const BiometricPrompt& other) const = default;
};

class QOR_PLATFORM_EXPORT SimulatedBiometrics {
 public:
  // A device with Face ID enrolled, not locked out, a passcode set, nothing scripted, no prompt open
  // (open prompts are dropped unanswered) and an empty history.
  static void reset();

  static void setBiometryType(LABiometryType type);  // none: no biometric sensor at all
  static void setEnrolled(bool enrolled);
  static void setLockedOut(bool lockedOut);
  static void setPasscodeSet(bool passcodeSet);

  // Answers for the prompts that open from now on, in order (after those scripted before).
  static void scriptAnswers(const std::vector<BiometricAnswer>& answers);
  static std::vector<BiometricPrompt> openPrompts();
  // Answers the oldest open prompt; false when none is open.
  static bool answerPrompt(const BiometricAnswer& answer);
  // Every prompt shown since the last reset, in order.
  static std::vector<BiometricPrompt> promptHistory();

 private:
  friend class LAContext;
  static LABiometryType biometryType();
  // Nullopt when the policy can be evaluated, else the error saying why not.
  static std::optional<Error> evaluationError(LAPolicy policy);
  static void openPrompt(BiometricPrompt prompt, LAContext::Reply reply);
};

}  // namespace platform
