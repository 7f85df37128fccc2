#include "sdk/presentation/internal/PresentationSupport.h"

#include "platform/Queue.h"
#include "sdk/resources/DefaultResourceProvider.h"

namespace qor::internal {

std::shared_ptr<platform::ViewController> topOfPresentedChain(std::shared_ptr<platform::ViewController> base) {
  while (base) {
    auto presented = base->presentedViewController();
    if (!presented) break;
    base = std::move(presented);
  }
  return base;
}

bool presentIfAccepted(const std::shared_ptr<platform::ViewController>& presenter,
                       const std::shared_ptr<platform::ViewController>& controller, bool animated,
                       std::function<void()> completion) {
  if (!presenter || !controller) return false;
  presenter->presentViewController(controller, animated, std::move(completion));
  // A presentation the platform takes links the two at once; a refused one leaves them apart.
  return controller->presentingViewController() != nullptr;
}

void dismissThen(const std::shared_ptr<platform::ViewController>& controller, std::function<void()> then) {
  auto presenter = controller ? controller->presentingViewController() : nullptr;
  if (!presenter) {
    if (then) then();
    return;
  }
  if (!controller->isBeingDismissed()) {
    // The completion stays with the platform, which calls it once when the dismissal ends.
    auto shared = std::make_shared<std::function<void()>>(std::move(then));
    presenter->dismissViewControllerAnimated(false, [shared] {
      if (auto block = std::exchange(*shared, {})) block();
    });
    if (controller->isBeingDismissed()) return;
    then = std::exchange(*shared, {});
  }
  // Refused (another transition is under way) or someone else's dismissal is ending: try again.
  platform::MainQueue::shared()->postAfterFor(
      kPresentationRetryDelay, std::weak_ptr<platform::ViewController>(controller),
      [then = std::move(then)](const std::shared_ptr<platform::ViewController>& c) { dismissThen(c, then); });
}

ResourceProvider::Text defaultBiometricAlertReasonText() {
  return DefaultResourceProvider::create()->biometricAlertReasonText();
}

}  // namespace qor::internal
