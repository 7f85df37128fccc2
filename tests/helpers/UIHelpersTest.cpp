#include <gtest/gtest.h>

#include "common/ui/QORAttributedStringUtils.h"
#include "common/ui/QORCommonClasses.h"
#include "common/ui/QOREllipticButton.h"
#include "common/ui/QORFlatEllipticButton.h"
#include "common/ui/QORRoundButton.h"
#include "platform/ui/Bundle.h"
#include "platform/ui/ClassRegistry.h"

using platform::AttributedString;
using platform::Color;
using platform::LayoutNode;
using platform::Range;
using platform::TextAttributes;
using qor::QORAttributedStringUtils;

namespace {

const Color kRed = Color::colorWithRed(1, 0, 0, 1);
const Color kGreen = Color::colorWithRed(0, 1, 0, 1);

std::shared_ptr<platform::Button> buttonFromLayout(const LayoutNode& node) {
  qor::registerQORCommonClasses();
  auto bundle = platform::Bundle::create("com.example.helpers");
  bundle->addNib("Buttons", {node});
  auto objects = bundle->loadNibNamed("Buttons", nullptr);
  return objects && objects->size() == 1 ? std::dynamic_pointer_cast<platform::Button>(objects->front()) : nullptr;
}

TEST(UIHelperButtons, LayoutsMakeThemWithTheirLook) {
  auto elliptic = buttonFromLayout(LayoutNode("QOREllipticButton").set("title", "OK"));
  ASSERT_NE(std::dynamic_pointer_cast<qor::QOREllipticButton>(elliptic), nullptr);
  EXPECT_EQ(elliptic->currentTitle(), "OK");
  EXPECT_EQ(elliptic->layer().shadowColor, Color::colorWithRed(0, 0, 0, 1));
  EXPECT_EQ(elliptic->layer().shadowOffset, (platform::Size{2, 2}));
  EXPECT_EQ(elliptic->layer().shadowRadius, 5);
  EXPECT_EQ(elliptic->layer().shadowOpacity, 0.3);
  EXPECT_EQ(std::make_shared<qor::QOREllipticButton>()->layer().shadowOpacity, 0) << "made in code: no shadow";

  // The layout asks for clipping; the round button's own step comes after the layout's properties.
  auto round = buttonFromLayout(LayoutNode("QORRoundButton").set("clipsToBounds", true).set("frame", {0, 0, 60, 40}));
  ASSERT_NE(std::dynamic_pointer_cast<qor::QORRoundButton>(round), nullptr);
  EXPECT_FALSE(round->clipsToBounds());
  round->layoutIfNeeded();
  EXPECT_EQ(round->layer().cornerRadius, 30) << "half the width";

  auto flat = buttonFromLayout(LayoutNode("QORFlatEllipticButton").set("frame", {0, 0, 200, 44}));
  ASSERT_NE(std::dynamic_pointer_cast<qor::QORFlatEllipticButton>(flat), nullptr);
  flat->layoutIfNeeded();
  EXPECT_EQ(flat->layer().cornerRadius, 22) << "half the height";
  flat->setFrame(platform::Rect::make(0, 0, 200, 50));
  flat->layoutIfNeeded();
  EXPECT_EQ(flat->layer().cornerRadius, 25) << "again at every layout";

  EXPECT_EQ(platform::Bundle::bundleForClass("QORRoundButton"), platform::Bundle::mainBundle());
}

TEST(AttributedStringUtils, RecolouringCoversTheWholeRangeClippedToTheText) {
  // "ab😀cd" with a red "b" and a font on "cd".
  AttributedString text("ab\xF0\x9F\x98\x80" "cd");
  text.addAttributes(TextAttributes{kRed, std::nullopt, std::nullopt}, Range{1, 1});
  const auto font = platform::Font::systemFontOfSize(20);
  text.addAttributes(TextAttributes{std::nullopt, font, std::nullopt}, Range{4, 2});
  const AttributedString original = text;

  struct Case {
    Range range;
    Range coloured;  // where the result is green
  };
  const Case cases[] = {
      {{0, 6}, {0, 6}},                // coloured, uncoloured and a surrogate pair alike
      {{1, 3}, {1, 3}},
      {{3, 100}, {3, 3}},              // reaches past the end
      {{6, 2}, {6, 0}},                // starts at the end
      {{50, 2}, {6, 0}},               // starts past the end
      {{SIZE_MAX, SIZE_MAX}, {6, 0}},
  };
  for (const auto& c : cases) {
    const auto result = QORAttributedStringUtils::createFromAttributedString(text, c.range, kGreen);
    EXPECT_EQ(result.string(), text.string());
    for (size_t i = 0; i < text.length(); ++i) {
      const bool inside = i >= c.coloured.location && i < c.coloured.end();
      const auto before = text.attributesAt(i);
      const auto after = result.attributesAt(i);
      EXPECT_EQ(after.foregroundColor, inside ? std::optional<Color>(kGreen) : before.foregroundColor)
          << c.range.location << "+" << c.range.length << " at " << i;
      EXPECT_EQ(after.font, before.font) << "only the colour changes";
    }
  }
  EXPECT_EQ(text, original) << "the given text is not changed";
  EXPECT_EQ(QORAttributedStringUtils::createFromAttributedString(text, Range{0, 6}, std::nullopt), text);
}

}  // namespace
