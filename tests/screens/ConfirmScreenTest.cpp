#include <gtest/gtest.h>

#include "common/theme/QORThemeKeys.h"
#include "platform/ui/Interaction.h"
#include "tests/screens/ScreenTestSupport.h"
#include "tests/theme/ImageFixtures.h"
#include "ui/biometric/QORBiometricAuthViewController.h"
#include "ui/confirm/QORAuthInfo.h"
#include "ui/confirm/QORCommitAuthViewController.h"

using platform::Color;
using platform::Size;
using platform::TapResult;
using qor::QORAuthInfo;
using qor::QORCommitAuthViewController;
using qortest::colorOf;

namespace {

class ConfirmScreen : public qortest::ScreenTest {};

// The card of a screen whose view is loaded.
std::shared_ptr<QORAuthInfo> cardOf(const std::shared_ptr<QORCommitAuthViewController>& screen) {
  screen->view();
  return screen->authInfo();
}

std::shared_ptr<qor::QORTheme> themeWithLogo(uint32_t width, uint32_t height) {
  auto theme = qortest::themeWithColors(qortest::allThemeColorKeys());
  theme->setLogo(platform::Image::imageWithData(qortest::pngHeader(width, height)));
  return theme;
}

TEST(TransactionCard, LogosFitIntoTwoHundredByFortyFourPoints) {
  struct Case {
    Size image;
    std::optional<Size> fitted;
  };
  const Case cases[] = {
      {{400, 100}, Size{176, 44}},  {{44, 44}, Size{44, 44}},  {{1000, 1000}, Size{44, 44}},
      {{1000, 50}, Size{200, 10}},  {{20, 10}, Size{88, 44}},  {{200, 44}, Size{200, 44}},
      {{0, 50}, std::nullopt},      {{50, 0}, std::nullopt},   {{0, 0}, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(QORAuthInfo::fittedLogoSize(c.image), c.fitted) << c.image.width << "x" << c.image.height;
  }
}

TEST_F(ConfirmScreen, TheCardShowsTheLogoFittedWithConstraintsAndTheProviderLine) {
  auto screen = QORCommitAuthViewController::controllerWithTheme(themeWithLogo(400, 100), delegate_,
                                                                 qortest::sampleAuthData());
  auto card = cardOf(screen);
  ASSERT_NE(card, nullptr);
  auto logo = card->logoImage();
  EXPECT_FALSE(logo->isHidden());
  ASSERT_NE(logo->image(), nullptr);
  EXPECT_EQ(logo->frame(), platform::Rect::make(0, 0, 176, 44));
  EXPECT_EQ(logo->contentMode(), platform::ContentMode::scaleAspectFit);
  ASSERT_EQ(logo->constraints().size(), 2u);
  EXPECT_EQ(logo->constraints()[0]->attribute(), platform::LayoutAttribute::width);
  EXPECT_EQ(logo->constraints()[0]->constant(), 176);
  EXPECT_EQ(logo->constraints()[1]->attribute(), platform::LayoutAttribute::height);
  EXPECT_EQ(logo->constraints()[1]->constant(), 44);
  EXPECT_EQ(card->fromValueLabel()->text(), "Acme Bank");
  EXPECT_EQ(card->fromTitleLabel()->textColor(), colorOf(qor::QORThemeInfoSectionTitleColorKey));
  EXPECT_EQ(card->fromValueLabel()->textColor(), colorOf(qor::QORThemeInfoSectionValueColorKey));
  EXPECT_EQ(card->contentView()->backgroundColor(), colorOf(qor::QORThemeAuthInfoBackgroundColorKey));
  EXPECT_EQ(card->emptySpaceView()->backgroundColor(), colorOf(qor::QORThemeAuthInfoBackgroundColorKey));
  // The card's look.
  EXPECT_EQ(card->layer().cornerRadius, 10);
  EXPECT_EQ(card->contentView()->layer().cornerRadius, 10);
  EXPECT_FALSE(card->layer().masksToBounds);
  EXPECT_FALSE(card->contentView()->layer().masksToBounds);
  EXPECT_EQ(card->layer().shadowOffset, (Size{0, 5}));
  EXPECT_EQ(card->layer().shadowRadius, 5);
  EXPECT_EQ(card->layer().shadowOpacity, 0.3);

  // A theme without a logo leaves the logo view as the layout has it, and still names the provider.
  auto plain = QORCommitAuthViewController::controllerWithTheme(qortest::themeWithColors({}), delegate_,
                                                                qortest::sampleAuthData());
  auto plainCard = cardOf(plain);
  EXPECT_TRUE(plainCard->logoImage()->isHidden());
  EXPECT_EQ(plainCard->logoImage()->image(), nullptr);
  EXPECT_TRUE(plainCard->logoImage()->constraints().empty());
  EXPECT_EQ(plainCard->fromValueLabel()->text(), "Acme Bank");
}

TEST_F(ConfirmScreen, TheThemeRecoloursTheWholeMessageButNotTheHeader) {
  const Color red = Color::colorWithRed(1, 0, 0, 1);
  const Color blue = Color::colorWithRed(0, 0, 1, 1);
  auto data = qor::QORAuthData::create();
  platform::AttributedString header("Transfer");
  header.addAttributes({blue, std::nullopt, std::nullopt}, platform::Range{0, 4});
  platform::AttributedString message("Pay 5.00");
  message.addAttributes({red, std::nullopt, std::nullopt}, platform::Range{4, 4});
  data->setConfirmActionHeaderText(header);
  data->setDescription(message);

  auto themed = QORCommitAuthViewController::controllerWithTheme(qortest::themeWithColors(qortest::allThemeColorKeys()),
                                                                 delegate_, data);
  auto card = cardOf(themed);
  EXPECT_EQ(card->headerLabel()->attributedText(), header);
  const auto shown = *card->messageLabel()->attributedText();
  EXPECT_EQ(shown.string(), "Pay 5.00");
  const auto runs = shown.runs();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].attributes.foregroundColor, colorOf(qor::QORThemeMessageTextColorKey));

  // Without a theme both keep their own attributes; absent texts show as empty ones.
  auto plain = QORCommitAuthViewController::controllerWithTheme(nullptr, delegate_, data);
  EXPECT_EQ(cardOf(plain)->messageLabel()->attributedText(), message);
  auto empty = QORCommitAuthViewController::controllerWithTheme(nullptr, delegate_, qor::QORAuthData::create());
  auto emptyCard = cardOf(empty);
  EXPECT_EQ(emptyCard->headerLabel()->attributedText(), platform::AttributedString());
  EXPECT_EQ(emptyCard->messageLabel()->attributedText(), platform::AttributedString());
}

TEST_F(ConfirmScreen, ConfirmReportsTheScreenAndCancelTheScreenAndNo) {
  auto screen = QORCommitAuthViewController::controllerWithTheme(nullptr, delegate_, qortest::sampleAuthData());
  present(screen);
  EXPECT_EQ(screen->titleLabel()->attributedText(), qor::QORAuthData::create()->confirmationDescription());
  ASSERT_EQ(platform::tapButtonWithTitle("Confirm"), TapResult::delivered);
  ASSERT_EQ(platform::tapButtonWithTitle("Cancel"), TapResult::delivered);
  screen->paymentDetailsAction();
  ASSERT_EQ(platform::tapButtonWithTitle("Confirm"), TapResult::delivered) << "the buttons stay live";
  EXPECT_EQ(delegate_->calls, (std::vector<std::string>{"commitConfirmed()", "commitCancelled(NO)", "commitConfirmed()"}));
  ASSERT_EQ(delegate_->screens.size(), 3u);
  for (const auto& reported : delegate_->screens) EXPECT_EQ(reported, screen);
}

// Both approval screens colour the same parts from the same keys.
template <class Screen>
void expectApprovalScreenColours(const std::shared_ptr<Screen>& screen) {
  screen->view();
  EXPECT_EQ(screen->cancelButton()->titleColorForState(platform::kControlStateNormal),
            colorOf(qor::QORThemeCancelButtonTextColorKey));
  EXPECT_EQ(screen->cancelButton()->backgroundColor(), colorOf(qor::QORThemeCancelButtonBackgroundColorKey));
  EXPECT_EQ(screen->confirmButton()->titleColorForState(platform::kControlStateNormal),
            colorOf(qor::QORThemeConfirmButtonTextColorKey));
  EXPECT_EQ(screen->confirmButton()->backgroundColor(), colorOf(qor::QORThemeConfirmButtonBackgroundColorKey));
  EXPECT_EQ(screen->transactionTypeLabel()->textColor(), colorOf(qor::QORThemeTransactionTypeTextColorKey));
  EXPECT_EQ(screen->view()->backgroundColor(), colorOf(qor::QORThemeScreenBackgroundColorKey));
  EXPECT_EQ(screen->authInfo()->messageLabel()->textColor(), colorOf(qor::QORThemeMessageTextColorKey));
  EXPECT_EQ(screen->titleLabel()->text(), "Hi there,\ncould you please yuvo this?");
}

TEST_F(ConfirmScreen, ThemeColoursGoToTheirViewsOnBothApprovalScreens) {
  auto theme = qortest::themeWithColors(qortest::allThemeColorKeys());
  {
    SCOPED_TRACE("confirm screen");
    expectApprovalScreenColours(QORCommitAuthViewController::controllerWithTheme(theme, delegate_, qortest::sampleAuthData()));
  }
  {
    SCOPED_TRACE("biometric screen");
    expectApprovalScreenColours(
        qor::QORBiometricAuthViewController::controllerWithTheme(theme, delegate_, qortest::sampleAuthData()));
  }
  // Without a theme the layout's colours stay.
  auto plain = QORCommitAuthViewController::controllerWithTheme(nullptr, delegate_, qortest::sampleAuthData());
  plain->view();
  EXPECT_EQ(plain->view()->backgroundColor(), Color::colorWithRed(1, 1, 1, 1));
  EXPECT_EQ(plain->confirmButton()->titleColorForState(platform::kControlStateNormal), Color::colorWithRed(1, 1, 1, 1));
  EXPECT_EQ(plain->titleLabel()->text(), "Hi there,\ncould you please yuvo this?");
}

}  // namespace
