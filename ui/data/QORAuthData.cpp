#include "ui/data/QORAuthData.h"

#include <algorithm>

#include "ui/data/QORConfirmationDescription.h"

namespace qor {
namespace {

constexpr const char* kTitleFontName = "Ubuntu-Regular";
constexpr platform::Color kWhite = platform::Color::colorWithRed(1, 1, 1, 1);
constexpr platform::Color kAccent = platform::Color::colorWithRed(1, 182 / 255.0, 3 / 255.0, 1);

// A range by signed start and length: the positions the title's styling names (n - 1, n - 10) fall
// before the text or turn negative for short texts, and then cover only what lies inside it.
platform::Range positions(int64_t start, int64_t length) {
  const int64_t from = std::max<int64_t>(start, 0);
  const int64_t to = std::max(from, start + length);
  return platform::Range{size_t(from), size_t(to - from)};
}

// Adds the foreground colour when one is given and the font when one is given, each over the range.
void addAttributeFor(platform::AttributedString& string, const std::optional<platform::Color>& color,
                     const std::optional<platform::Font>& font, platform::Range range) {
  if (color) string.addAttributes(platform::TextAttributes{color, std::nullopt, std::nullopt}, range);
  if (font) string.addAttributes(platform::TextAttributes{std::nullopt, font, std::nullopt}, range);
}

}  // namespace

std::shared_ptr<QORAuthData> QORAuthData::create() {
  auto data = std::shared_ptr<QORAuthData>(new QORAuthData);
  data->setupConfirmationDescription();
  return data;
}

void QORAuthData::setupConfirmationDescription() {
  const char* text = confirmationDescriptionText.load();
  platform::AttributedString title(text ? text : "");
  const auto n = int64_t(title.length());
  addAttributeFor(title, kWhite, std::nullopt, positions(0, n));
  addAttributeFor(title, kAccent, std::nullopt, positions(n - 1, 1));
  addAttributeFor(title, std::nullopt, platform::Font::fontWithName(kTitleFontName, 37), positions(0, 9));
  addAttributeFor(title, std::nullopt, platform::Font::fontWithName(kTitleFontName, 20), positions(10, n - 10));
  confirmationDescription_.store(std::move(title));
}

}  // namespace qor
