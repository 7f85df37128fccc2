#include <gtest/gtest.h>

#include "platform/ui/AttributedString.h"
#include "platform/ui/Label.h"

using platform::AttributedString;
using platform::Color;
using platform::Font;
using platform::Range;
using platform::TextAttributes;

namespace {

const Color kRed = Color::colorWithRed(1, 0, 0, 1);
const Color kBlue = Color::colorWithRed(0, 0, 1, 1);

TextAttributes colored(Color c) { return TextAttributes{c, std::nullopt, std::nullopt}; }

// "a€😀b": a (1 unit), € (1 unit, 3 UTF-8 bytes), 😀 (a surrogate pair: 2 units), b.
const char* const kMixed = "a\xE2\x82\xAC\xF0\x9F\x98\x80" "b";

TEST(AttributedString, CountsAndStylesUtf16UnitsAcrossNonBmpCharacters) {
  AttributedString text(kMixed);
  EXPECT_EQ(text.length(), 5u);
  EXPECT_EQ(text.string(), kMixed);

  text.addAttributes(colored(kRed), Range{2, 2});  // exactly the emoji
  Range effective;
  EXPECT_EQ(text.attributesAt(3, &effective).foregroundColor, kRed);
  EXPECT_EQ(effective, (Range{2, 2}));
  EXPECT_EQ(text.attributesAt(1, &effective).foregroundColor, std::nullopt);
  EXPECT_EQ(effective, (Range{0, 2}));
  EXPECT_EQ(text.attributedSubstring(Range{2, 2}).string(), "\xF0\x9F\x98\x80");

  // A range may split the pair, as on the platform; the half pair reads as U+FFFD.
  text.addAttributes(colored(kBlue), Range{3, 2});
  const auto runs = text.runs();
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].range, (Range{0, 2}));
  EXPECT_EQ(runs[1].range, (Range{2, 1}));
  EXPECT_EQ(runs[1].attributes.foregroundColor, kRed);
  EXPECT_EQ(runs[2].range, (Range{3, 2}));
  EXPECT_EQ(runs[2].attributes.foregroundColor, kBlue);
  EXPECT_EQ(text.attributedSubstring(Range{3, 2}).string(), "\xEF\xBF\xBD" "b");
  EXPECT_EQ(text.string(), kMixed) << "styling never changes the characters";
}

TEST(AttributedString, RangesPastTheTextAreClippedToIt) {
  struct Case {
    Range range;
    Range clipped;
  };
  const Case cases[] = {
      {{0, 5}, {0, 5}},
      {{3, 10}, {3, 2}},
      {{5, 1}, {5, 0}},
      {{7, 3}, {5, 0}},
      {{SIZE_MAX, SIZE_MAX}, {5, 0}},
      {{2, SIZE_MAX}, {2, 3}},
  };
  for (const auto& c : cases) {
    AttributedString text(kMixed);
    EXPECT_EQ(text.clipped(c.range), c.clipped) << c.range.location << "+" << c.range.length;
    text.addAttributes(colored(kRed), c.range);
    for (size_t i = 0; i < text.length(); ++i) {
      const bool inside = i >= c.clipped.location && i < c.clipped.end();
      EXPECT_EQ(text.attributesAt(i).foregroundColor.has_value(), inside) << i;
    }
    EXPECT_EQ(text.runs(c.range).size(), c.clipped.length ? 1u : 0u);
  }
  EXPECT_EQ(AttributedString("").runs().size(), 0u);
  EXPECT_EQ(AttributedString("ab").attributesAt(2), TextAttributes{});
}

TEST(AttributedString, InvalidUtf8BecomesReplacementCharacters) {
  AttributedString text("a\xFF" "b");
  EXPECT_EQ(text.length(), 3u);
  EXPECT_EQ(text.string(), "a\xEF\xBF\xBD" "b");
}

TEST(Label, TextColourAndFontApplyToTheWholeAttributedText) {
  const Font ubuntu{"Ubuntu-Regular", "Ubuntu", 20, platform::FontWeight::regular};
  platform::Label label;
  EXPECT_FALSE(label.isUserInteractionEnabled());
  EXPECT_EQ(label.text(), std::nullopt);

  AttributedString message(kMixed);
  message.addAttributes(TextAttributes{kRed, ubuntu, 1.5}, Range{0, 2});
  label.setAttributedText(message);
  EXPECT_EQ(label.text(), kMixed);
  EXPECT_EQ(label.attributedText(), message) << "kept as given";

  // The card's message: its own colours give way to the theme's colour, everywhere.
  label.setTextColor(kBlue);
  for (size_t i = 0; i < message.length(); ++i) {
    const auto attributes = label.attributedText()->attributesAt(i);
    EXPECT_EQ(attributes.foregroundColor, kBlue) << i;
    EXPECT_EQ(attributes.font, i < 2 ? std::optional<Font>(ubuntu) : std::nullopt) << "fonts stay";
    EXPECT_EQ(attributes.kern, i < 2 ? std::optional<double>(1.5) : std::nullopt) << "kerning stays";
  }
  label.setFont(Font::systemFontOfSize(12));
  for (const auto& run : label.attributedText()->runs()) EXPECT_EQ(run.attributes.font, Font::systemFontOfSize(12));

  // Plain text takes the label's colour and font.
  label.setText("plain");
  EXPECT_EQ(label.attributedText()->attributesAt(0),
            (TextAttributes{kBlue, Font::systemFontOfSize(12), std::nullopt}));
  label.setTextColor(std::nullopt);
  EXPECT_EQ(label.textColor(), Color::colorWithRed(0, 0, 0, 1));
  label.setText(std::nullopt);
  EXPECT_EQ(label.attributedText(), std::nullopt);
  label.setTextColor(kRed);  // nothing to colour
  EXPECT_EQ(label.attributedText(), std::nullopt);
}

TEST(Font, NamedFontsComeFromTheRegistryAndTheSystemFontIsAlwaysThere) {
  EXPECT_EQ(Font::fontWithName("Ubuntu-Regular", 37), std::nullopt);
  Font::registerFont("Ubuntu-Regular", "Ubuntu", platform::FontWeight::regular);
  EXPECT_EQ(Font::fontWithName("Ubuntu-Regular", 37), (Font{"Ubuntu-Regular", "Ubuntu", 37, platform::FontWeight::regular}));
  Font::unregisterFont("Ubuntu-Regular");
  EXPECT_EQ(Font::fontWithName("Ubuntu-Regular", 37), std::nullopt);
  EXPECT_EQ(Font::fontWithName(platform::kSystemFontName, 9), Font::systemFontOfSize(9));
  EXPECT_EQ(Font::systemFontOfSize(14, platform::FontWeight::medium).weight, platform::FontWeight::medium);
}

}  // namespace
