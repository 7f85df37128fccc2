#include "platform/ui/AttributedString.h"

#include <algorithm>

#include "platform/Utf16.h"

namespace platform {

AttributedString::AttributedString(std::string_view text, const TextAttributes& attributes)
    : text_(utf16FromUtf8(text)), attributes_(text_.size(), attributes) {}

std::string AttributedString::string() const { return utf8FromUtf16(text_); }

Range AttributedString::clipped(Range range) const {
  const size_t start = std::min(range.location, length());
  const size_t count = std::min(range.length, length() - start);
  return Range{start, count};
}

TextAttributes AttributedString::attributesAt(size_t index, Range* effectiveRange) const {
  if (index >= length()) {
    if (effectiveRange) *effectiveRange = Range{length(), 0};
    return {};
  }
  if (effectiveRange) {
    size_t start = index;
    while (start > 0 && attributes_[start - 1] == attributes_[index]) --start;
    size_t end = index + 1;
    while (end < length() && attributes_[end] == attributes_[index]) ++end;
    *effectiveRange = Range{start, end - start};
  }
  return attributes_[index];
}

void AttributedString::addAttributes(const TextAttributes& attributes, Range range) {
  const Range r = clipped(range);
  for (size_t i = r.location; i < r.end(); ++i) {
    if (attributes.foregroundColor) attributes_[i].foregroundColor = attributes.foregroundColor;
    if (attributes.font) attributes_[i].font = attributes.font;
    if (attributes.kern) attributes_[i].kern = attributes.kern;
  }
}

void AttributedString::setAttributes(const TextAttributes& attributes, Range range) {
  const Range r = clipped(range);
  std::fill(attributes_.begin() + r.location, attributes_.begin() + r.end(), attributes);
}

void AttributedString::removeForegroundColor(Range range) {
  const Range r = clipped(range);
  for (size_t i = r.location; i < r.end(); ++i) attributes_[i].foregroundColor.reset();
}

std::vector<AttributedString::Run> AttributedString::runs(Range range) const {
  const Range r = clipped(range);
  std::vector<Run> out;
  for (size_t i = r.location; i < r.end(); ++i) {
    if (!out.empty() && out.back().attributes == attributes_[i]) {
      ++out.back().range.length;
    } else {
      out.push_back(Run{Range{i, 1}, attributes_[i]});
    }
  }
  return out;
}

AttributedString AttributedString::attributedSubstring(Range range) const {
  const Range r = clipped(range);
  AttributedString out;
  out.text_ = text_.substr(r.location, r.length);
  out.attributes_.assign(attributes_.begin() + r.location, attributes_.begin() + r.end());
  return out;
}

void AttributedString::append(const AttributedString& other) {
  text_ += other.text_;
  attributes_.insert(attributes_.end(), other.attributes_.begin(), other.attributes_.end());
}

}  // namespace platform
