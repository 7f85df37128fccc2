// A view that people act on: it has an enabled, selected and highlighted state and sends actions for
// events. An action goes to a target by name (held weakly; the target's actionNamed is asked each
// time, see Responder) or to a block. Actions run in the order they were added. Sending does not look
// at the enabled flag; a tap does (Interaction.h).
//
// Main queue only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/QORPlatformExport.h"
#include "platform/ui/View.h"

namespace platform {

using ControlState = uint32_t;
inline constexpr ControlState kControlStateNormal = 0;
inline constexpr ControlState kControlStateHighlighted = 1u << 0;
inline constexpr ControlState kControlStateDisabled = 1u << 1;
inline constexpr ControlState kControlStateSelected = 1u << 2;

using ControlEvents = uint32_t;
inline constexpr ControlEvents kControlEventTouchDown = 1u << 0;
inline constexpr ControlEvents kControlEventTouchUpInside = 1u << 6;
inline constexpr ControlEvents kControlEventTouchUpOutside = 1u << 7;
inline constexpr ControlEvents kControlEventValueChanged = 1u << 12;
inline constexpr ControlEvents kControlEventPrimaryActionTriggered = 1u << 13;

class QOR_PLATFORM_EXPORT Control : public View {
 public:
  using View::View;
  std::string className() const override;

  bool isEnabled() const { return enabled_; }
  virtual void setEnabled(bool enabled) { enabled_ = enabled; }
  bool isSelected() const { return selected_; }
  void setSelected(bool selected) { selected_ = selected; }
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool highlighted) { highlighted_ = highlighted; }
  ControlState state() const;

  void addTarget(const std::shared_ptr<Responder>& target, std::string action, ControlEvents events);
  // Removes every action of the target; a null target removes every action sent to a target.
  void removeTarget(const Responder* target);
  void addAction(std::function<void(Control&)> handler, ControlEvents events);
  // The action names sent to the target for the event.
  std::vector<std::string> actionsForTarget(const Responder* target, ControlEvents event) const;

  void sendActionsForControlEvents(ControlEvents events);

  // "enabled", "selected", and the properties of View.
  bool setValueForKey(std::string_view key, const Json& value) override;

 private:
  struct Entry {
    ControlEvents events;
    std::weak_ptr<Responder> target;
    const Responder* targetKey = nullptr;  // identity of the target, for removal
    std::string action;
    std::function<void(Control&)> handler;
  };

  bool enabled_ = true;
  bool selected_ = false;
  bool highlighted_ = false;
  std::vector<Entry> entries_;
};

}  // namespace platform
