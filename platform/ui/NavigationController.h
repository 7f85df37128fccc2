// A navigation container: a stack of controllers, of which it shows the top one. Pushing and popping
// take effect at once (headless, there is nothing to animate), with the appearance calls of the
// controllers that leave and come when the container is on screen.
//
// Main queue only.
#pragma once

#include <memory>
#include <vector>

#include "platform/QORPlatformExport.h"
#include "platform/ui/ViewController.h"

namespace platform {

class QOR_PLATFORM_EXPORT NavigationController : public ViewController {
 public:
  static std::shared_ptr<NavigationController> create(std::shared_ptr<ViewController> root = nullptr);
  std::string className() const override;

  const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return childViewControllers(); }
  void setViewControllers(const std::vector<std::shared_ptr<ViewController>>& controllers);
  void pushViewController(const std::shared_ptr<ViewController>& controller, bool animated);
  // The popped controller; nullptr when only the root is left.
  std::shared_ptr<ViewController> popViewControllerAnimated(bool animated);
  std::shared_ptr<ViewController> topViewController() const;
  // The controller this container presents, else its top controller.
  std::shared_ptr<ViewController> visibleViewController() const;

  void loadView() override;

 protected:
  std::vector<std::shared_ptr<ViewController>> childrenForAppearance() const override;
};

}  // namespace platform
