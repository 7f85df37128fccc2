#include "platform/ui/TabBarController.h"

#include <algorithm>

#include "platform/ui/View.h"

namespace platform {

std::string TabBarController::className() const { return "UITabBarController"; }

void TabBarController::setViewControllers(const std::vector<std::shared_ptr<ViewController>>& controllers) {
  const auto oldSelected = selectedViewController();
  const auto current = childViewControllers();
  for (const auto& child : current) child->removeFromParentViewController();
  for (const auto& child : controllers) addChildViewController(child);
  selectedIndex_ = 0;
  replaceShownChild(oldSelected, selectedViewController());
}

void TabBarController::setSelectedIndex(size_t index) {
  if (index >= childViewControllers().size()) return;
  const auto oldSelected = selectedViewController();
  selectedIndex_ = index;
  replaceShownChild(oldSelected, selectedViewController());
}

std::shared_ptr<ViewController> TabBarController::selectedViewController() const {
  const auto& tabs = childViewControllers();
  return selectedIndex_ < tabs.size() ? tabs[selectedIndex_] : nullptr;
}

void TabBarController::setSelectedViewController(const std::shared_ptr<ViewController>& controller) {
  const auto& tabs = childViewControllers();
  auto it = std::find(tabs.begin(), tabs.end(), controller);
  if (it != tabs.end()) setSelectedIndex(size_t(it - tabs.begin()));
}

void TabBarController::loadView() {
  ViewController::loadView();
  if (auto selected = selectedViewController()) embedChildView(selected);
}

std::vector<std::shared_ptr<ViewController>> TabBarController::childrenForAppearance() const {
  if (auto selected = selectedViewController()) return {selected};
  return {};
}

}  // namespace platform
