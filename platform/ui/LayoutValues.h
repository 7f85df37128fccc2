// How layout properties write their values (LayoutNode::set), for the platform's classes and for
// classes of the libraries that take properties of their own. Each reader gives nullopt for a value
// of another form.
//
// - colour: "#RRGGBB" or "#RRGGBBAA" (hexadecimal digits, either case);
// - rectangle: [x, y, width, height]; size: [width, height];
// - font: {"name": "Ubuntu-Regular", "size": 20} (nullopt when that font is not registered) or
//   {"system": 17, "weight": "medium"} (weight optional).
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "platform/Json.h"
#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"

namespace platform {

std::optional<Color> colorFromLayoutValue(const Json& value);
std::optional<Rect> rectFromLayoutValue(const Json& value);
std::optional<Size> sizeFromLayoutValue(const Json& value);
std::optional<Font> fontFromLayoutValue(const Json& value);
std::optional<double> numberFromLayoutValue(const Json& value);
std::optional<bool> boolFromLayoutValue(const Json& value);

}  // namespace platform

namespace platform {

// The enumerator whose name is the value's text.
template <class E>
std::optional<E> enumFromLayoutValue(const Json& value, std::initializer_list<std::pair<const char*, E>> names) {
  if (!value.is_string()) return std::nullopt;
  for (const auto& [name, enumerator] : names) {
    if (value.get_ref<const std::string&>() == name) return enumerator;
  }
  return std::nullopt;
}

// Calls `apply` with the value when there is one; tells whether there was.
template <class T, class F>
bool applyLayoutValue(const std::optional<T>& value, F&& apply) {
  if (!value) return false;
  apply(*value);
  return true;
}

}  // namespace platform
