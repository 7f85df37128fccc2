// A storyboard of a bundle: scenes found by identifier. A scene's controller is made through the class
// registry by its node's class name and takes the node's properties; its view is made from the
// scene when the controller first loads its view, with the controller as the owner of the outlets
// and actions.
//
// Safe from any thread; the controllers belong to the main queue.
#pragma once

#include <memory>
#include <string>

#include "platform/QORPlatformExport.h"

namespace platform {

class Bundle;
class ViewController;

namespace detail {
struct StoryboardContent;
}

class QOR_PLATFORM_EXPORT Storyboard : public std::enable_shared_from_this<Storyboard> {
 public:
  // nullptr when the bundle has no storyboard of that name; a null bundle means the main bundle.
  static std::shared_ptr<Storyboard> storyboardWithName(const std::string& name, const std::shared_ptr<Bundle>& bundle);

  const std::string& name() const;
  // A new controller of the scene; nullptr when there is no such scene, or its controller's class
  // is not registered or is not a view controller.
  std::shared_ptr<ViewController> instantiateViewControllerWithIdentifier(const std::string& identifier);

 private:
  explicit Storyboard(std::shared_ptr<const detail::StoryboardContent> content) : content_(std::move(content)) {}
  std::shared_ptr<const detail::StoryboardContent> content_;
};

}  // namespace platform
