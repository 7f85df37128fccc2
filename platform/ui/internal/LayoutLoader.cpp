#include "platform/ui/internal/LayoutLoader.h"

#include "platform/SystemLog.h"
#include "platform/ui/ClassRegistry.h"
#include "platform/ui/Coder.h"

namespace platform {

const std::string& Coder::layoutName() const { return context_.layoutName; }

std::vector<std::shared_ptr<Responder>> Coder::decodeChildren() const {
  std::vector<std::shared_ptr<Responder>> out;
  for (const auto& child : node_.children()) {
    if (auto object = detail::decodeNode(child, context_)) out.push_back(std::move(object));
  }
  return out;
}

void Coder::fail(const std::string& reason) const {
  systemLog("Layout " + context_.layoutName + ": " + reason);
  context_.failed = true;
}

namespace detail {
namespace {

void connect(LoadContext& context) {
  const auto& owner = context.owner;
  const std::string ownerName = owner ? owner->className() : "no owner";
  for (const auto& [name, object] : context.outlets) {
    // The platform raises for a key the owner does not have; the outlet stays nil instead.
    if (!owner || !owner->setOutlet(name, object)) {
      systemLog("Layout " + context.layoutName + ": " + ownerName + " has no outlet \"" + name + "\" for a " +
                object->className());
    }
  }
  for (const auto& [control, selector, events] : context.actions) {
    if (!owner || !owner->actionNamed(selector)) {
      systemLog("Layout " + context.layoutName + ": " + ownerName + " has no action \"" + selector + "\"");
      continue;
    }
    control->addTarget(owner, selector, events);
  }
}

}  // namespace

std::shared_ptr<Responder> decodeNode(const LayoutNode& node, LoadContext& context) {
  auto object = ClassRegistry::create(node.className());
  if (!object) {
    systemLog("Layout " + context.layoutName + ": unknown class " + node.className());
    context.failed = true;
    return nullptr;
  }
  object->initWithCoder(Coder(node, context));
  if (node.outletName()) context.outlets.emplace_back(*node.outletName(), object);
  if (!node.actions().empty()) {
    auto control = std::dynamic_pointer_cast<Control>(object);
    for (const auto& action : node.actions()) {
      if (control) {
        context.actions.emplace_back(control, action.selector, action.events);
      } else {
        systemLog("Layout " + context.layoutName + ": a " + node.className() + " sends no action \"" +
                  action.selector + "\"");
      }
    }
  }
  context.made.push_back(object);
  return object;
}

std::optional<std::vector<std::shared_ptr<Responder>>> loadLayout(std::span<const LayoutNode> nodes,
                                                                   const std::shared_ptr<Responder>& owner,
                                                                   const std::string& layoutName) {
  LoadContext context{owner, layoutName, false, {}, {}, {}};
  std::vector<std::shared_ptr<Responder>> topLevel;
  for (const auto& node : nodes) {
    if (auto object = decodeNode(node, context)) topLevel.push_back(std::move(object));
  }
  if (context.failed) return std::nullopt;
  connect(context);
  for (const auto& object : context.made) object->awakeFromNib();
  return topLevel;
}

}  // namespace detail
}  // namespace platform
