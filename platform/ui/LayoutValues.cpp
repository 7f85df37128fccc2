#include "platform/ui/LayoutValues.h"

#include <cctype>

namespace platform {
namespace {

std::optional<unsigned> hexByte(char high, char low) {
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    c = char(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  const int h = digit(high);
  const int l = digit(low);
  if (h < 0 || l < 0) return std::nullopt;
  return unsigned(h * 16 + l);
}

// Numbers of the array, exactly `count` of them.
std::optional<std::vector<double>> numbers(const Json& value, size_t count) {
  if (!value.is_array() || value.size() != count) return std::nullopt;
  std::vector<double> out;
  for (const auto& item : value) {
    if (!item.is_number()) return std::nullopt;
    out.push_back(item.get<double>());
  }
  return out;
}

}  // namespace

std::optional<Color> colorFromLayoutValue(const Json& value) {
  if (!value.is_string()) return std::nullopt;
  const auto& text = value.get_ref<const std::string&>();
  if ((text.size() != 7 && text.size() != 9) || text[0] != '#') return std::nullopt;
  double components[4] = {0, 0, 0, 1};
  for (size_t i = 1, c = 0; i < text.size(); i += 2, ++c) {
    auto byte = hexByte(text[i], text[i + 1]);
    if (!byte) return std::nullopt;
    components[c] = *byte / 255.0;
  }
  return Color::colorWithRed(components[0], components[1], components[2], components[3]);
}

std::optional<Rect> rectFromLayoutValue(const Json& value) {
  auto n = numbers(value, 4);
  if (!n) return std::nullopt;
  return Rect::make((*n)[0], (*n)[1], (*n)[2], (*n)[3]);
}

std::optional<Size> sizeFromLayoutValue(const Json& value) {
  auto n = numbers(value, 2);
  if (!n) return std::nullopt;
  return Size{(*n)[0], (*n)[1]};
}

std::optional<Font> fontFromLayoutValue(const Json& value) {
  if (!value.is_object()) return std::nullopt;
  if (auto system = value.find("system"); system != value.end() && system->is_number()) {
    FontWeight weight = FontWeight::regular;
    if (auto w = value.find("weight"); w != value.end()) {
      auto parsed = w->is_string() ? fontWeightFromName(w->get<std::string>()) : std::nullopt;
      if (!parsed) return std::nullopt;
      weight = *parsed;
    }
    return Font::systemFontOfSize(system->get<double>(), weight);
  }
  auto name = value.find("name");
  auto size = value.find("size");
  if (name == value.end() || !name->is_string() || size == value.end() || !size->is_number()) return std::nullopt;
  return Font::fontWithName(name->get<std::string>(), size->get<double>());
}

std::optional<double> numberFromLayoutValue(const Json& value) {
  if (!value.is_number()) return std::nullopt;
  return value.get<double>();
}

std::optional<bool> boolFromLayoutValue(const Json& value) {
  if (!value.is_boolean()) return std::nullopt;
  return value.get<bool>();
}

}  // namespace platform
