// Declarative layouts (the stand-in for storyboards and nibs) are trees of nodes written in C++:
//
//   LayoutNode("UIView").set("backgroundColor", "#FFFFFF")
//       .add(LayoutNode("UILabel").outlet("titleLabel").set("text", "Hello"))
//       .add(LayoutNode("UIButton").outlet("confirmButton").set("title", "Confirm").action("confirmAction"))
//
// A node names the runtime class to make (see ClassRegistry), the owner's outlet that receives the
// object (several nodes naming one outlet fill an outlet collection in tree order), properties applied
// in the order written (values as in LayoutValues.h), actions sent to the owner when the control
// fires, and children (the subviews, in order). The owner is the object a nib is loaded for, or the
// view controller of a storyboard scene. A scene's controller node has at most one child: the root of
// its view, made when the controller first loads its view.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Json.h"
#include "platform/QORPlatformExport.h"
#include "platform/ui/Control.h"

namespace platform {

struct QOR_PLATFORM_EXPORT LayoutAction {
  std::string selector;
  ControlEvents events = kControlEventTouchUpInside;
};

class QOR_PLATFORM_EXPORT LayoutNode {
 public:
  explicit LayoutNode(std::string className) : className_(std::move(className)) {}

  LayoutNode& outlet(std::string name) {
    outletName_ = std::move(name);
    return *this;
  }
  LayoutNode& set(std::string key, Json value) {
    properties_.emplace_back(std::move(key), std::move(value));
    return *this;
  }
  LayoutNode& action(std::string selector, ControlEvents events = kControlEventTouchUpInside) {
    actions_.push_back(LayoutAction{std::move(selector), events});
    return *this;
  }
  LayoutNode& add(LayoutNode child) {
    children_.push_back(std::move(child));
    return *this;
  }

  const std::string& className() const { return className_; }
  const std::optional<std::string>& outletName() const { return outletName_; }
  const std::vector<std::pair<std::string, Json>>& properties() const { return properties_; }
  const std::vector<LayoutAction>& actions() const { return actions_; }
  const std::vector<LayoutNode>& children() const { return children_; }

 private:
  std::string className_;
  std::optional<std::string> outletName_;
  std::vector<std::pair<std::string, Json>> properties_;
  std::vector<LayoutAction> actions_;
  std::vector<LayoutNode> children_;
};

// One scene of a storyboard: the identifier it is instantiated by and its controller's node.
struct QOR_PLATFORM_EXPORT LayoutScene {
  std::string identifier;
  LayoutNode controller;
};

}  // namespace platform
