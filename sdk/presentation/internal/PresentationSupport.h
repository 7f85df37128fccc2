// Steps that the presenters share: presentations and dismissals that must get through, and the
// defaults they fall back on. Main queue only.
#pragma once

#include <functional>
#include <memory>

#include "platform/Clock.h"
#include "platform/ui/ViewController.h"
#include "sdk/resources/ResourceProvider.h"

namespace qor::internal {

// The step between two tries of a presentation or dismissal that the platform refused or that
// something on screen holds up.
inline constexpr platform::Duration kPresentationRetryDelay = platform::seconds(0.1);

// The controller at the top of the chain that `base` presents (`base` itself when it presents
// nothing).
std::shared_ptr<platform::ViewController> topOfPresentedChain(std::shared_ptr<platform::ViewController> base);

// `presenter` presents `controller`; false when the platform refused (the completion then never
// runs, and the caller tries again).
bool presentIfAccepted(const std::shared_ptr<platform::ViewController>& presenter,
                       const std::shared_ptr<platform::ViewController>& controller, bool animated,
                       std::function<void()> completion = {});

// Dismisses `controller` and everything above it through its presenter, not animated, then runs
// `then`. A controller that nobody presents runs `then` at once; a refused dismissal is tried again
// after kPresentationRetryDelay for as long as the controller lives.
void dismissThen(const std::shared_ptr<platform::ViewController>& controller, std::function<void()> then);

// The reason the biometric prompt shows when the host app gives none: the default provider's text.
ResourceProvider::Text defaultBiometricAlertReasonText();

}  // namespace qor::internal
