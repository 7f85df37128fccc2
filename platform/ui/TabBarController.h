// A tab container: a list of controllers, of which it shows the selected one (the first, once there
// are any). Selecting takes effect at once, with the appearance calls of the two controllers when the
// container is on screen.
//
// Main queue only.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "platform/QORPlatformExport.h"
#include "platform/ui/ViewController.h"

namespace platform {

class QOR_PLATFORM_EXPORT TabBarController : public ViewController {
 public:
  std::string className() const override;

  const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return childViewControllers(); }
  void setViewControllers(const std::vector<std::shared_ptr<ViewController>>& controllers);
  size_t selectedIndex() const { return selectedIndex_; }
  // An index past the list is ignored.
  void setSelectedIndex(size_t index);
  // nullptr when the list is empty.
  std::shared_ptr<ViewController> selectedViewController() const;
  // A controller that is not in the list is ignored.
  void setSelectedViewController(const std::shared_ptr<ViewController>& controller);

  void loadView() override;

 protected:
  std::vector<std::shared_ptr<ViewController>> childrenForAppearance() const override;

 private:
  size_t selectedIndex_ = 0;
};

}  // namespace platform
