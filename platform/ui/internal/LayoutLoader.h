// Makes the objects of layout nodes and connects them: the one place where layouts turn into objects.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "platform/ui/Control.h"
#include "platform/ui/LayoutNode.h"
#include "platform/ui/Responder.h"

namespace platform::detail {

struct LoadContext {
  std::shared_ptr<Responder> owner;
  std::string layoutName;
  bool failed = false;
  std::vector<std::pair<std::string, std::shared_ptr<Responder>>> outlets;
  std::vector<std::tuple<std::shared_ptr<Control>, std::string, ControlEvents>> actions;
  std::vector<std::shared_ptr<Responder>> made;  // in the order their initWithCoder finished
};

// The object of one node, decoded (initWithCoder) and queued for connection; nullptr (and the
// context failed) when its class is unknown.
std::shared_ptr<Responder> decodeNode(const LayoutNode& node, LoadContext& context);

// The objects of the nodes, connected to `owner` (outlets and actions; one that cannot be connected
// is logged and left out) and woken (awakeFromNib); nullopt when any object cannot be made.
std::optional<std::vector<std::shared_ptr<Responder>>> loadLayout(std::span<const LayoutNode> nodes,
                                                                   const std::shared_ptr<Responder>& owner,
                                                                   const std::string& layoutName);

}  // namespace platform::detail
