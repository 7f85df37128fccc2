// What an object made from a layout is given in initWithCoder: its node, and the means to make the
// objects of the node's children within the same load (so that their outlets and actions connect to
// the same owner). Lives only during the load.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/LayoutNode.h"

namespace platform {

class Responder;

namespace detail {
struct LoadContext;
}

class Coder {
 public:
  Coder(const LayoutNode& node, detail::LoadContext& context) : node_(node), context_(context) {}

  const LayoutNode& node() const { return node_; }
  // The name of the storyboard or nib being loaded, for messages.
  const std::string& layoutName() const;
  // The objects of the children nodes, in order; a child that cannot be made fails the whole load
  // and is left out.
  std::vector<std::shared_ptr<Responder>> decodeChildren() const;
  // Marks the whole load as failed: it then gives nil.
  void fail(const std::string& reason) const;

 private:
  const LayoutNode& node_;
  detail::LoadContext& context_;
};

}  // namespace platform
