// A button: a title and a title colour per control state. A state without its own title or colour
// shows the normal state's.
//
// Main queue only.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/QORPlatformExport.h"
#include "platform/ui/Control.h"

namespace platform {

class QOR_PLATFORM_EXPORT Button : public Control {
 public:
  using Control::Control;
  std::string className() const override;

  void setTitle(std::optional<std::string> title, ControlState state = kControlStateNormal);
  std::optional<std::string> titleForState(ControlState state) const;
  // The title of the button's present state.
  std::optional<std::string> currentTitle() const { return titleForState(state()); }

  void setTitleColor(std::optional<Color> color, ControlState state = kControlStateNormal);
  std::optional<Color> titleColorForState(ControlState state) const;
  std::optional<Color> currentTitleColor() const { return titleColorForState(state()); }

  // "[title]", with "(disabled)" or "(selected)" after it in those states.
  std::optional<std::string> screenText() const override;
  // "title" and "titleColor" (normal state), and the properties of Control.
  bool setValueForKey(std::string_view key, const Json& value) override;

 private:
  std::map<ControlState, std::string> titles_;
  std::map<ControlState, Color> titleColors_;
};

}  // namespace platform
