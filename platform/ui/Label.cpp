#include "platform/ui/Label.h"

#include "platform/ui/LayoutValues.h"

namespace platform {
namespace {

std::optional<TextAlignment> alignmentFromName(const Json& value) {
  return enumFromLayoutValue<TextAlignment>(value, {{"natural", TextAlignment::natural},
                                                    {"left", TextAlignment::left},
                                                    {"center", TextAlignment::center},
                                                    {"right", TextAlignment::right},
                                                    {"justified", TextAlignment::justified}});
}

}  // namespace

std::string Label::className() const { return "UILabel"; }

std::optional<std::string> Label::text() const {
  if (!attributedText_) return std::nullopt;
  return attributedText_->string();
}

void Label::setText(std::optional<std::string> text) {
  if (!text) {
    attributedText_.reset();
    return;
  }
  attributedText_ = AttributedString(*text, TextAttributes{textColor_, font_, std::nullopt});
}

void Label::setFont(const Font& font) {
  font_ = font;
  if (attributedText_) attributedText_->addAttributes(TextAttributes{std::nullopt, font, std::nullopt}, Range{0, attributedText_->length()});
}

void Label::setTextColor(std::optional<Color> color) {
  textColor_ = color.value_or(Color::colorWithRed(0, 0, 0, 1));
  if (attributedText_) {
    attributedText_->addAttributes(TextAttributes{textColor_, std::nullopt, std::nullopt}, Range{0, attributedText_->length()});
  }
}

std::optional<std::string> Label::screenText() const {
  auto value = text();
  if (!value) return std::nullopt;
  std::string out = "\"";
  for (char c : *value) {
    if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

bool Label::setValueForKey(std::string_view key, const Json& value) {
  if (key == "text") {
    if (!value.is_string()) return false;
    setText(value.get<std::string>());
    return true;
  }
  if (key == "textColor") return applyLayoutValue(colorFromLayoutValue(value), [this](Color c) { setTextColor(c); });
  if (key == "font") return applyLayoutValue(fontFromLayoutValue(value), [this](const Font& f) { setFont(f); });
  if (key == "numberOfLines") {
    if (!value.is_number_integer()) return false;
    numberOfLines_ = value.get<int>();
    return true;
  }
  if (key == "textAlignment") {
    return applyLayoutValue(alignmentFromName(value), [this](TextAlignment a) { textAlignment_ = a; });
  }
  return View::setValueForKey(key, value);
}

}  // namespace platform
