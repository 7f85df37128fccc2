#include "platform/ui/Storyboard.h"

#include "platform/SystemLog.h"
#include "platform/ui/Bundle.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/internal/LayoutContent.h"
#include "platform/ui/internal/LayoutLoader.h"

namespace platform {

std::shared_ptr<Storyboard> Storyboard::storyboardWithName(const std::string& name,
                                                           const std::shared_ptr<Bundle>& bundle) {
  auto content = (bundle ? bundle : Bundle::mainBundle())->storyboardContent(name);
  if (!content) return nullptr;
  return std::shared_ptr<Storyboard>(new Storyboard(std::move(content)));
}

const std::string& Storyboard::name() const { return content_->name; }

std::shared_ptr<ViewController> Storyboard::instantiateViewControllerWithIdentifier(const std::string& identifier) {
  const LayoutScene* scene = nullptr;
  for (const auto& s : content_->scenes) {
    if (s.identifier == identifier) scene = &s;
  }
  if (!scene) {
    systemLog("Storyboard " + name() + " has no scene \"" + identifier + "\"");
    return nullptr;
  }
  const auto& node = scene->controller;
  // The controller alone: its view is made later, when it is first asked for.
  detail::LoadContext context{nullptr, name(), false, {}, {}, {}};
  auto controller = std::dynamic_pointer_cast<ViewController>(detail::decodeNode(node, context));
  if (!controller || context.failed) {
    systemLog("Storyboard " + name() + ": the scene \"" + identifier + "\" gives no view controller");
    return nullptr;
  }
  if (node.children().size() > 1) {
    systemLog("Storyboard " + name() + ": the scene \"" + identifier + "\" has more than one view; the first is used");
  }
  controller->storyboard_ = shared_from_this();
  if (!node.children().empty()) controller->layoutView_ = node.children().front();
  controller->awakeFromNib();
  return controller;
}

}  // namespace platform
