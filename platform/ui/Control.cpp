#include "platform/ui/Control.h"

#include <algorithm>

#include "platform/SystemLog.h"
#include "platform/ui/LayoutValues.h"

namespace platform {

std::string Control::className() const { return "UIControl"; }

ControlState Control::state() const {
  ControlState s = kControlStateNormal;
  if (highlighted_) s |= kControlStateHighlighted;
  if (!enabled_) s |= kControlStateDisabled;
  if (selected_) s |= kControlStateSelected;
  return s;
}

void Control::addTarget(const std::shared_ptr<Responder>& target, std::string action, ControlEvents events) {
  if (!target || events == 0) return;
  entries_.push_back(Entry{events, target, target.get(), std::move(action), {}});
}

void Control::removeTarget(const Responder* target) {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [target](const Entry& e) {
                                  return e.targetKey != nullptr && (target == nullptr || e.targetKey == target);
                                }),
                 entries_.end());
}

void Control::addAction(std::function<void(Control&)> handler, ControlEvents events) {
  if (!handler || events == 0) return;
  entries_.push_back(Entry{events, {}, nullptr, {}, std::move(handler)});
}

std::vector<std::string> Control::actionsForTarget(const Responder* target, ControlEvents event) const {
  std::vector<std::string> out;
  for (const auto& e : entries_) {
    if (e.targetKey == target && target != nullptr && (e.events & event)) out.push_back(e.action);
  }
  return out;
}

void Control::sendActionsForControlEvents(ControlEvents events) {
  // A copy, and this control held for the call: an action may change the list or drop the screen.
  const auto self = shared_from_this();
  const auto entries = entries_;
  for (const auto& e : entries) {
    if (!(e.events & events)) continue;
    if (e.handler) {
      e.handler(*this);
      continue;
    }
    auto target = e.target.lock();
    if (!target) continue;
    // The platform stops the process on an unrecognised selector; here it is logged and skipped.
    if (auto handler = target->actionNamed(e.action)) {
      handler(this);
    } else {
      systemLog(target->className() + " has no action \"" + e.action + "\"");
    }
  }
}

bool Control::setValueForKey(std::string_view key, const Json& value) {
  if (key == "enabled") return applyLayoutValue(boolFromLayoutValue(value), [this](bool b) { setEnabled(b); });
  if (key == "selected") return applyLayoutValue(boolFromLayoutValue(value), [this](bool b) { selected_ = b; });
  return View::setValueForKey(key, value);
}

}  // namespace platform
