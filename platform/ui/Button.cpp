#include "platform/ui/Button.h"

#include "platform/ui/LayoutValues.h"

namespace platform {
namespace {

// The value for the state, else the normal state's.
template <class T>
std::optional<T> forState(const std::map<ControlState, T>& values, ControlState state) {
  if (auto it = values.find(state); it != values.end()) return it->second;
  if (auto it = values.find(kControlStateNormal); it != values.end()) return it->second;
  return std::nullopt;
}

template <class T>
void setForState(std::map<ControlState, T>& values, std::optional<T> value, ControlState state) {
  if (value) {
    values.insert_or_assign(state, std::move(*value));
  } else {
    values.erase(state);
  }
}

}  // namespace

std::string Button::className() const { return "UIButton"; }

void Button::setTitle(std::optional<std::string> title, ControlState state) {
  setForState(titles_, std::move(title), state);
}

std::optional<std::string> Button::titleForState(ControlState state) const { return forState(titles_, state); }

void Button::setTitleColor(std::optional<Color> color, ControlState state) { setForState(titleColors_, color, state); }

std::optional<Color> Button::titleColorForState(ControlState state) const { return forState(titleColors_, state); }

std::optional<std::string> Button::screenText() const {
  std::string text = "[" + currentTitle().value_or("") + "]";
  if (!isEnabled()) text += " (disabled)";
  if (isSelected()) text += " (selected)";
  return text;
}

bool Button::setValueForKey(std::string_view key, const Json& value) {
  if (key == "title") {
    if (!value.is_string()) return false;
    setTitle(value.get<std::string>());
    return true;
  }
  if (key == "titleColor") {
    return applyLayoutValue(colorFromLayoutValue(value), [this](Color c) { setTitleColor(c); });
  }
  return Control::setValueForKey(key, value);
}

}  // namespace platform
