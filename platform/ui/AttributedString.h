// Attributed text of the screen stand-in: a text with attributes (foreground colour, font, kerning)
// over ranges of its UTF-16 code units, the unit in which the platform counts lengths and ranges. A
// range may split a surrogate pair, as on the platform; the half pair reads back as U+FFFD.
//
// The platform raises for a range that reaches past the text; here every range is clipped to the
// text instead, so styling by position never fails on a short text.
//
// A plain value ("mutable copy" is a copy); not thread-safe.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/QORPlatformExport.h"
#include "platform/ui/Color.h"
#include "platform/ui/Font.h"

namespace platform {

// A range of UTF-16 code units: its start and its length.
struct QOR_PLATFORM_EXPORT Range {
  size_t location = 0;
  size_t length = 0;

  size_t end() const { return location + length; }
  bool operator==(const Range& other) const = default;
};

// The attributes of one code unit; an absent member is not set there.
struct QOR_PLATFORM_EXPORT TextAttributes {
  std::optional<Color> foregroundColor;
  std::optional<Font> font;
  std::optional<double> kern;

  bool operator==(const TextAttributes& other) const = default;
};

class QOR_PLATFORM_EXPORT AttributedString {
 public:
  AttributedString() = default;
  // The UTF-8 text (invalid sequences become U+FFFD) with `attributes` over all of it.
  explicit AttributedString(std::string_view text, const TextAttributes& attributes = {});

  std::string string() const;
  const std::u16string& utf16() const { return text_; }
  size_t length() const { return text_.size(); }

  // The attributes at `index` (none past the end); `effectiveRange`, when given, receives the
  // longest range around `index` with the same attributes.
  TextAttributes attributesAt(size_t index, Range* effectiveRange = nullptr) const;
  // Sets the members that `attributes` holds, over the range; other members stay.
  void addAttributes(const TextAttributes& attributes, Range range);
  // Replaces every attribute over the range.
  void setAttributes(const TextAttributes& attributes, Range range);
  void removeForegroundColor(Range range);

  // Longest runs of equal attributes inside the range, in order.
  struct Run {
    Range range;
    TextAttributes attributes;
  };
  std::vector<Run> runs(Range range) const;
  std::vector<Run> runs() const { return runs(Range{0, length()}); }

  AttributedString attributedSubstring(Range range) const;
  void append(const AttributedString& other);

  // The range clipped to the text.
  Range clipped(Range range) const;

  bool operator==(const AttributedString& other) const = default;

 private:
  std::u16string text_;
  std::vector<TextAttributes> attributes_;  // one per code unit
};

}  // namespace platform
