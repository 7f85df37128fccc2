#include <gtest/gtest.h>

#include "platform/ui/Font.h"
#include "sdk/TransactionInfo.h"
#include "sdk/resources/DefaultResourceProvider.h"

using platform::Color;
using platform::Font;
using qor::DefaultResourceProvider;
using qor::ResourceProvider;

namespace {

Color rgb(int r, int g, int b) { return Color::colorWithRed(r / 255.0, g / 255.0, b / 255.0, 1); }

TEST(DefaultResourceProvider, EveryTextHasItsWordsSizeAndColourOverAllOfIt) {
  struct Case {
    const char* name;
    std::function<ResourceProvider::Text(ResourceProvider&)> read;
    const char* text;
    Color color;
    double size;
    std::optional<double> kern;
  };
  const Color dark = rgb(39, 39, 57);
  const Color grey = rgb(126, 125, 147);
  const Color white = rgb(255, 255, 255);
  const Case cases[] = {
      {"cancel", [](auto& p) { return p.cancelButtonText(); }, "Cancel", dark, 16, {}},
      {"face", [](auto& p) { return p.confirmBiometricFaceButtonText(); }, "Confirm with Face ID", white, 16, {}},
      {"touch", [](auto& p) { return p.confirmBiometricTouchButtonText(); }, "Confirm with Touch ID", white, 16, {}},
      {"confirm", [](auto& p) { return p.confirmButtonText(); }, "Confirm", white, 16, {}},
      {"fee", [](auto& p) { return p.feeLabelText(); }, "Fee:", grey, 12, {}},
      {"mass button", [](auto& p) { return p.massPaymentDetailsButtonText(); }, "MASS PAYMENT DETAILS", grey, 16, 3.0},
      {"mass header", [](auto& p) { return p.massPaymentDetailsHeaderText(); }, "Mass payment details", dark, 34, {}},
      {"recipient", [](auto& p) { return p.recepientLabelText(); }, "Recepient:", grey, 12, {}},
      {"enrollment title", [](auto& p) { return p.enrollmentTitleText(); }, "Device bindig\xE2\x80\xA6", grey, 28, {}},
      {"enrollment description", [](auto& p) { return p.enrollmentDescriptionText(); },
       "We are binding this device to your eTrandlor account. Please wait", grey, 28, {}},
      {"biometric reason", [](auto& p) { return p.biometricAlertReasonText(); }, "Biometric authentication request",
       grey, 18, {}},
      {"transaction info", [](auto& p) { return p.stringForTransactionInfo(qor::TransactionInfo::create()); },
       "Default implementation", dark, 16, {}},
      {"header", [](auto& p) { return p.stringForConfirmActionHeader(nullptr); }, "Default Header", dark, 16, {}},
  };
  auto provider = DefaultResourceProvider::create();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto text = c.read(*provider);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->string(), c.text);
    const auto runs = text->runs();
    ASSERT_EQ(runs.size(), 1u) << "one set of attributes over the whole text";
    EXPECT_EQ(runs[0].range.length, text->length());
    EXPECT_EQ(runs[0].attributes, (platform::TextAttributes{c.color, Font::systemFontOfSize(c.size), c.kern}));
  }
  EXPECT_EQ(provider->enrollmentTitleText()->length(), 14u) << "the ellipsis is one character";
}

TEST(DefaultResourceProvider, TextsAreFreshPerCallAndReplaceable) {
  auto provider = DefaultResourceProvider::create();
  auto first = provider->stringForTransactionInfo(nullptr);
  first->addAttributes(platform::TextAttributes{Color::colorWithRed(1, 0, 0, 1), std::nullopt, std::nullopt},
                       platform::Range{0, 3});
  EXPECT_NE(provider->stringForTransactionInfo(nullptr), first) << "a change to one answer leaves the next alone";
  EXPECT_EQ(provider->stringForTransactionInfo(nullptr), provider->stringForTransactionInfo(qor::TransactionInfo::create()));

  provider->setCancelButtonText(platform::AttributedString("Abbrechen"));
  EXPECT_EQ(provider->cancelButtonText()->string(), "Abbrechen");
  provider->setFeeLabelText(std::nullopt);
  EXPECT_EQ(provider->feeLabelText(), std::nullopt);
  EXPECT_EQ(DefaultResourceProvider::create()->cancelButtonText()->string(), "Cancel") << "each provider its own";
}

}  // namespace
