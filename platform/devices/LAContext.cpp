#include "platform/devices/LAContext.h"

#include "platform/Queue.h"
#include "platform/SystemLog.h"
#include "platform/devices/SimulatedBiometrics.h"

namespace platform {

std::shared_ptr<LAContext> LAContext::create() { return std::shared_ptr<LAContext>(new LAContext); }

bool LAContext::canEvaluatePolicy(LAPolicy policy, std::optional<Error>* error) {
  biometryType_ = SimulatedBiometrics::biometryType();
  auto why = SimulatedBiometrics::evaluationError(policy);
  if (error) *error = why;
  return !why;
}

std::optional<std::string> LAContext::localizedFallbackTitle() const {
  std::lock_guard lock(mutex_);
  return fallbackTitle_;
}

void LAContext::setLocalizedFallbackTitle(std::optional<std::string> title) {
  std::lock_guard lock(mutex_);
  fallbackTitle_ = std::move(title);
}

void LAContext::evaluatePolicy(LAPolicy policy, const std::string& localizedReason, Reply reply) {
  if (!reply) return;
  std::optional<Error> refusal;
  if (localizedReason.empty()) {
    systemLog("The biometric prompt needs a reason to show; refused");
    refusal = Error::make(LAErrorDomain, LAErrorSystemCancel);
  } else {
    refusal = SimulatedBiometrics::evaluationError(policy);
  }
  if (refusal) {
    BackgroundQueue::global()->post([reply = std::move(reply), refusal] { reply(false, refusal); });
    return;
  }
  SimulatedBiometrics::openPrompt(BiometricPrompt{policy, localizedReason, localizedFallbackTitle()}, std::move(reply));
}

}  // namespace platform
