// Biometric authentication (the platform's LocalAuthentication), answered by the simulated device of
// SimulatedBiometrics.h. A context asks whether a policy can be evaluated and shows the system prompt;
// the prompt's reply runs on the global background queue, never on the caller's.
//
// A context may be used from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/Error.h"
#include "platform/QORPlatformExport.h"

namespace platform {

enum class LAPolicy : int64_t {
  deviceOwnerAuthenticationWithBiometrics = 1,
  deviceOwnerAuthentication = 2,
};

enum class LABiometryType : int64_t { none = 0, touchID = 1, faceID = 2 };

inline constexpr const char* LAErrorDomain = "com.apple.LocalAuthentication";
inline constexpr int64_t LAErrorAuthenticationFailed = -1;
inline constexpr int64_t LAErrorUserCancel = -2;
inline constexpr int64_t LAErrorUserFallback = -3;
inline constexpr int64_t LAErrorSystemCancel = -4;
inline constexpr int64_t LAErrorPasscodeNotSet = -5;
inline constexpr int64_t LAErrorBiometryNotAvailable = -6;
inline constexpr int64_t LAErrorBiometryNotEnrolled = -7;
inline constexpr int64_t LAErrorBiometryLockout = -8;
inline constexpr int64_t LAErrorAppCancel = -9;

class QOR_PLATFORM_EXPORT LAContext : public std::enable_shared_from_this<LAContext> {
 public:
  using Reply = std::function<void(bool success, const std::optional<Error>& error)>;

  static std::shared_ptr<LAContext> create();

  // Whether the device can evaluate the policy now; `error`, when given, receives why not.
  bool canEvaluatePolicy(LAPolicy policy, std::optional<Error>* error = nullptr);
  // The device's kind of biometry; as on the platform, none until canEvaluatePolicy was called on
  // this context, and then the device's kind whatever that call answered.
  LABiometryType biometryType() const { return biometryType_.load(); }

  std::optional<std::string> localizedFallbackTitle() const;
  void setLocalizedFallbackTitle(std::optional<std::string> title);

  // Shows the system prompt with the reason. The reply comes on the global background queue once the
  // simulated user answers (SimulatedBiometrics), or at once with the error when the policy cannot be
  // evaluated. The platform raises for an empty reason; here the prompt is refused with
  // LAErrorSystemCancel and the refusal logged.
  void evaluatePolicy(LAPolicy policy, const std::string& localizedReason, Reply reply);

 private:
  LAContext() = default;

  std::atomic<LABiometryType> biometryType_{LABiometryType::none};
  mutable std::mutex mutex_;
  std::optional<std::string> fallbackTitle_;
};

}  // namespace platform
