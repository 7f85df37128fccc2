#include "platform/ui/NavigationController.h"

#include "platform/ui/View.h"

namespace platform {

std::shared_ptr<NavigationController> NavigationController::create(std::shared_ptr<ViewController> root) {
  auto controller = std::make_shared<NavigationController>();
  if (root) controller->setViewControllers({root});
  return controller;
}

std::string NavigationController::className() const { return "UINavigationController"; }

void NavigationController::setViewControllers(const std::vector<std::shared_ptr<ViewController>>& controllers) {
  const auto oldTop = topViewController();
  const auto current = childViewControllers();
  for (const auto& child : current) child->removeFromParentViewController();
  for (const auto& child : controllers) addChildViewController(child);
  replaceShownChild(oldTop, topViewController());
}

void NavigationController::pushViewController(const std::shared_ptr<ViewController>& controller, bool) {
  if (!controller) return;
  const auto oldTop = topViewController();
  addChildViewController(controller);
  replaceShownChild(oldTop, controller);
}

std::shared_ptr<ViewController> NavigationController::popViewControllerAnimated(bool) {
  if (childViewControllers().size() < 2) return nullptr;
  auto popped = topViewController();
  popped->removeFromParentViewController();
  replaceShownChild(popped, topViewController());
  return popped;
}

std::shared_ptr<ViewController> NavigationController::topViewController() const {
  const auto& stack = childViewControllers();
  return stack.empty() ? nullptr : stack.back();
}

std::shared_ptr<ViewController> NavigationController::visibleViewController() const {
  if (auto presented = presentedViewController()) return presented;
  return topViewController();
}

void NavigationController::loadView() {
  ViewController::loadView();
  if (auto top = topViewController()) embedChildView(top);
}

std::vector<std::shared_ptr<ViewController>> NavigationController::childrenForAppearance() const {
  if (auto top = topViewController()) return {top};
  return {};
}

}  // namespace platform
