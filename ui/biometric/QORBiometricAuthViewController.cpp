#include "ui/biometric/QORBiometricAuthViewController.h"

#include "platform/OSVersion.h"
#include "platform/Queue.h"

namespace qor {
namespace {

constexpr auto kBiometricPolicy = platform::LAPolicy::deviceOwnerAuthenticationWithBiometrics;

}  // namespace

std::string QORBiometricAuthViewController::className() const { return kClassName; }

void QORBiometricAuthViewController::setupConfirmationButton() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  const bool face = biometricTypeWithContext(platform::LAContext::create()) == kFaceType;
  if (auto button = confirmButton()) button->setTitle(face ? kConfirmWithFaceIdTitle : kConfirmWithTouchIdTitle);
}

std::string QORBiometricAuthViewController::biometricTypeWithContext(const std::shared_ptr<platform::LAContext>& context) {
  if (!context || !context->canEvaluatePolicy(kBiometricPolicy)) return "";
  if (!platform::isOperatingSystemAtLeast({11, 0, 0})) return kFingerprintType;
  switch (context->biometryType()) {
    case platform::LABiometryType::none:
      return "";
    case platform::LABiometryType::faceID:
      return kFaceType;
    default:
      return kFingerprintType;
  }
}

bool QORBiometricAuthViewController::isBiometryAvailable() {
  return platform::LAContext::create()->canEvaluatePolicy(kBiometricPolicy);
}

void QORBiometricAuthViewController::confirmAction() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto context = platform::LAContext::create();
  context->setLocalizedFallbackTitle(kFallbackTitle);
  const auto data = authData();
  const auto reason = data ? data->biometricAlertReasonText() : std::nullopt;
  if (!isBiometryAvailable()) return;
  auto self = std::static_pointer_cast<QORBiometricAuthViewController>(shared_from_this());
  context->evaluatePolicy(
      kBiometricPolicy, reason ? reason->string() : std::string(),
      [self, context](bool success, const std::optional<platform::Error>& error) mutable {
        PromptOutcome outcome = PromptOutcome::none;
        if (error && error->code == platform::LAErrorUserFallback) {
          outcome = PromptOutcome::fallback;
        } else if (success) {
          outcome = PromptOutcome::confirmed;
        } else if (!isBiometryAvailable()) {
          outcome = PromptOutcome::cancelled;
        }
        // Moved along, so that the screen is let go on the main queue, never on the reply's.
        platform::MainQueue::shared()->post([self = std::move(self), context = std::move(context), outcome] {
          self->reportPrompt(outcome, context);
        });
      });
}

void QORBiometricAuthViewController::reportPrompt(PromptOutcome outcome,
                                                  const std::shared_ptr<platform::LAContext>& context) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto delegate = delegate_.lock();
  if (!delegate) return;
  switch (outcome) {
    case PromptOutcome::fallback:
      delegate->fallbackToPin();
      break;
    case PromptOutcome::confirmed:
      delegate->biometricAuthViewControllerConfirmedWithType(biometricTypeWithContext(context));
      break;
    case PromptOutcome::cancelled:
      delegate->biometricAuthViewControllerCancelledWithTimeout(false);
      break;
    case PromptOutcome::none:
      break;
  }
}

void QORBiometricAuthViewController::cancelAction() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (auto delegate = delegate_.lock()) delegate->biometricAuthViewControllerCancelledWithTimeout(false);
}

platform::ActionHandler QORBiometricAuthViewController::actionNamed(std::string_view name) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (name == "confirmAction") return [this](platform::Control*) { confirmAction(); };
  if (name == "cancelAction") return [this](platform::Control*) { cancelAction(); };
  return QORApprovalViewController::actionNamed(name);
}

}  // namespace qor

