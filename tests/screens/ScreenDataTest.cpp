#include <gtest/gtest.h>

#include <cstring>

#include "platform/ui/Font.h"
#include "ui/DefaultQorUiVersion.h"
#include "ui/data/QORAuthData.h"
#include "ui/data/QORConfirmationDescription.h"
#include "ui/data/QORPayment.h"

using platform::Color;
using platform::Font;
using qor::QORAuthData;
using qor::QORPayment;

namespace {

const Color kWhite = Color::colorWithRed(1, 1, 1, 1);
const Color kAccent = Color::colorWithRed(1, 182 / 255.0, 3 / 255.0, 1);

// Restores the default title text and the font registry around a case.
class Title : public testing::Test {
 protected:
  void SetUp() override { Font::registerFont("Ubuntu-Regular", "Ubuntu", platform::FontWeight::regular); }
  void TearDown() override {
    qor::confirmationDescriptionText = "Hi there,\ncould you please yuvo this?";
    Font::unregisterFont("Ubuntu-Regular");
  }
};

// The point size of the title font at each character (0 for none), and where the accent colour is.
std::vector<double> sizes(const platform::AttributedString& text) {
  std::vector<double> out;
  for (size_t i = 0; i < text.length(); ++i) {
    const auto font = text.attributesAt(i).font;
    out.push_back(font ? font->pointSize : 0);
    if (font) {
      EXPECT_EQ(font->name, "Ubuntu-Regular");
    }
  }
  return out;
}

std::vector<double> expectedSizes(size_t length) {
  std::vector<double> out;
  for (size_t i = 0; i < length; ++i) out.push_back(i < 9 ? 37 : i == 9 ? 0 : 20);
  return out;
}

TEST_F(Title, IsStyledByCharacterPositionAndClippedToShortTexts) {
  struct Case {
    const char* text;  // nullptr: unset
    const char* shown;
  };
  const Case cases[] = {
      {"Hi there,\ncould you please yuvo this?", "Hi there,\ncould you please yuvo this?"},
      {"Bonjour !\nvalidez-vous ceci ?", "Bonjour !\nvalidez-vous ceci ?"},
      {"0123456789", "0123456789"},
      {"012345678", "012345678"},
      {"Hi", "Hi"},
      {"?", "?"},
      {"", ""},
      {nullptr, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(unset)");
    qor::confirmationDescriptionText = c.text;
    const auto title = QORAuthData::create()->confirmationDescription();
    ASSERT_TRUE(title.has_value());
    EXPECT_EQ(title->string(), c.shown);
    const size_t n = title->length();
    EXPECT_EQ(sizes(*title), expectedSizes(n));
    for (size_t i = 0; i < n; ++i) {
      EXPECT_EQ(title->attributesAt(i).foregroundColor, i + 1 == n ? kAccent : kWhite) << "character " << i;
    }
  }
}

TEST_F(Title, WithoutTheFontOnlyTheColoursAreSet) {
  Font::unregisterFont("Ubuntu-Regular");
  const auto title = *QORAuthData::create()->confirmationDescription();
  ASSERT_EQ(title.length(), 37u);
  const auto runs = title.runs();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].range, (platform::Range{0, 36}));
  EXPECT_EQ(runs[0].attributes, (platform::TextAttributes{kWhite, std::nullopt, std::nullopt}));
  EXPECT_EQ(runs[1].attributes, (platform::TextAttributes{kAccent, std::nullopt, std::nullopt}));
}

TEST_F(Title, ANewTextReachesOnlyDataMadeAfterIt) {
  auto before = QORAuthData::create();
  qor::confirmationDescriptionText = "Please approve\nthis payment";
  auto after = QORAuthData::create();
  EXPECT_EQ(before->confirmationDescription()->string(), "Hi there,\ncould you please yuvo this?");
  EXPECT_EQ(after->confirmationDescription()->string(), "Please approve\nthis payment");
  after->setConfirmationDescription(platform::AttributedString("replaced"));
  EXPECT_EQ(after->confirmationDescription()->string(), "replaced");
}

TEST(PaymentAmount, HasTwoDecimalsAPointNoGroupingAndRoundsHalfToEven) {
  struct Case {
    double amount;
    const char* text;
  };
  const Case cases[] = {
      {1234.5, "1234.50"},
      {7, "7.00"},
      {2.999, "3.00"},
      {0, "0.00"},
      {1234567.891, "1234567.89"},
      // Ties go to the even neighbour, counted on the shortest decimal that reads back as the amount.
      {0.125, "0.12"},
      {0.375, "0.38"},
      {2.675, "2.68"},
      {1.005, "1.00"},
      {0.015, "0.02"},
      {999.995, "1000.00"},
      {0.0051, "0.01"},
      {-3.456, "-3.46"},
      {1e-7, "0.00"},
      {1e20, "100000000000000000000.00"},
      {123456789012.345, "123456789012.34"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(QORPayment::initWithAmount(c.amount, 0, "Acme", "EUR")->formatPaymentAmount(), c.text) << c.amount;
  }
}

TEST(PaymentAmount, TheAttributedAmountNamesTheCurrencyWhenThereIsOne) {
  struct Case {
    std::optional<std::string> currency;
    const char* text;
  };
  const Case cases[] = {{"EUR", "EUR 7.00"}, {std::nullopt, "7.00"}, {"", "7.00"}};
  for (const auto& c : cases) {
    auto payment = QORPayment::initWithAmount(7, 0.5, "Acme Ltd", c.currency);
    const auto text = payment->attributedAmountWithFontSize(18);
    EXPECT_EQ(text.string(), c.text);
    const auto runs = text.runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].attributes.font, Font::systemFontOfSize(18, platform::FontWeight::medium));
    EXPECT_EQ(runs[0].attributes.foregroundColor, Color::colorWithRed(39 / 255.0, 39 / 255.0, 57 / 255.0, 1));
  }
  auto payment = QORPayment::initWithAmount(12.5, 0.25, "Acme Ltd", "EUR");
  EXPECT_EQ(payment->fee(), 0.25);
  EXPECT_EQ(payment->recipient(), "Acme Ltd");
  EXPECT_EQ(payment->currency(), "EUR");
}

TEST(DefaultQorUiVersion, SymbolsAreTheLibrarys) {
  EXPECT_EQ(qor::DefaultQorUiVersionNumber, 1.0);
  EXPECT_STREQ(qor::DefaultQorUiVersionString, "@(#)PROGRAM:DefaultQorUi  PROJECT:DefaultQorUi-1\n");
}

}  // namespace
