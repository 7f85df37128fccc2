// A label: a text, kept as attributed text, with a font and a text colour. As on the platform,
// setting the font or the text colour applies it to the whole attributed text, replacing the colours
// or fonts of its runs; setting plain text gives it the label's font and colour.
//
// Main queue only.
#pragma once

#include <optional>
#include <string>

#include "platform/QORPlatformExport.h"
#include "platform/ui/AttributedString.h"
#include "platform/ui/View.h"

namespace platform {

enum class TextAlignment { natural, left, center, right, justified };

class QOR_PLATFORM_EXPORT Label : public View {
 public:
  Label() { userInteractionEnabled_ = false; }
  explicit Label(const Rect& frame) : View(frame) { userInteractionEnabled_ = false; }
  std::string className() const override;

  // The attributed text's characters; nullopt when there is none.
  std::optional<std::string> text() const;
  void setText(std::optional<std::string> text);
  const std::optional<AttributedString>& attributedText() const { return attributedText_; }
  void setAttributedText(std::optional<AttributedString> text) { attributedText_ = std::move(text); }

  const Font& font() const { return font_; }
  void setFont(const Font& font);
  const Color& textColor() const { return textColor_; }
  // Nullopt sets the default, black.
  void setTextColor(std::optional<Color> color);

  int numberOfLines() const { return numberOfLines_; }
  void setNumberOfLines(int lines) { numberOfLines_ = lines; }
  TextAlignment textAlignment() const { return textAlignment_; }
  void setTextAlignment(TextAlignment alignment) { textAlignment_ = alignment; }

  // The text in double quotes, line breaks written as "\n"; nullopt without text.
  std::optional<std::string> screenText() const override;
  // "text", "textColor", "font", "numberOfLines", "textAlignment", and the properties of View.
  bool setValueForKey(std::string_view key, const Json& value) override;

 private:
  std::optional<AttributedString> attributedText_;
  Font font_ = Font::systemFontOfSize(17);
  Color textColor_ = Color::colorWithRed(0, 0, 0, 1);
  int numberOfLines_ = 1;
  TextAlignment textAlignment_ = TextAlignment::natural;
};

}  // namespace platform
