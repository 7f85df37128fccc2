#include <gtest/gtest.h>

#include "platform/SystemLog.h"
#include "platform/devices/SimulatedBiometrics.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Bundle.h"
#include "platform/ui/ClassRegistry.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/ScreenText.h"
#include "tests/screens/ScreenTestSupport.h"
#include "tests/theme/ImageFixtures.h"
#include "ui/biometric/QORBiometricAuthViewController.h"
#include "ui/confirm/QORAuthInfo.h"
#include "ui/confirm/QORCommitAuthViewController.h"
#include "ui/enrollment/QOREnrollmentViewController.h"
#include "ui/pin/QORPinViewController.h"
#include "ui/pin/internal/UniformRandom.h"
#include "ui/resources/QORNativeScreens.h"

using qor::instantiateNativeScreen;
using qor::kQORAuthStoryboardName;
using qor::QORBiometricAuthViewController;
using qor::QORCommitAuthViewController;
using qor::QORPinViewController;

namespace {

class Layouts : public qortest::ScreenTest {};

TEST_F(Layouts, EveryScreenOfTheBundleComesWithItsOutletsAndTheHostOnlyOnceItsClassIsKnown) {
  auto pin = std::dynamic_pointer_cast<QORPinViewController>(instantiateNativeScreen(kQORAuthStoryboardName, "QORPinViewController"));
  ASSERT_NE(pin, nullptr);
  pin->view();
  EXPECT_EQ(pin->pinArray().size(), 4u);
  for (auto* outlet : {pin->titleLabel().get(), pin->timerLabel().get()}) EXPECT_NE(outlet, nullptr);
  for (auto* outlet : {pin->removeButton().get(), pin->cancelButton().get(), pin->confirmButton().get()}) {
    EXPECT_NE(outlet, nullptr);
  }
  ASSERT_NE(pin->keyboard(), nullptr);
  EXPECT_EQ(pin->keyboard()->valueButtons().size(), 10u);
  ASSERT_NE(pin->authInfo(), nullptr);
  EXPECT_NE(pin->authInfo()->messageLabel(), nullptr);

  for (const char* scene : {"QORBiometricAuthViewController", "QORCommitAuthViewController"}) {
    SCOPED_TRACE(scene);
    auto screen = instantiateNativeScreen(kQORAuthStoryboardName, scene);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->className(), scene);
    EXPECT_EQ(screen->modalPresentationStyle(), platform::ModalPresentationStyle::fullScreen);
  }
  auto biometric = QORBiometricAuthViewController::controllerWithTheme(nullptr, delegate_, qortest::sampleAuthData());
  biometric->view();
  for (auto* outlet : {biometric->titleLabel().get(), biometric->transactionTypeLabel().get(), biometric->timerLabel().get()}) {
    EXPECT_NE(outlet, nullptr);
  }
  EXPECT_NE(biometric->authInfo(), nullptr);
  auto enrollment = instantiateNativeScreen(qor::kQOREnrollmentStoryboardName, "QOREnrollmentViewController");
  EXPECT_NE(std::dynamic_pointer_cast<qor::QOREnrollmentViewController>(enrollment), nullptr);

  // The host's class is QOR's; until someone registers it, its scene gives nil.
  ASSERT_FALSE(platform::ClassRegistry::isRegistered("QORAuthViewController"));
  EXPECT_EQ(instantiateNativeScreen(kQORAuthStoryboardName, "QORAuthViewController"), nullptr);
  struct Host : platform::ViewController {
    std::string className() const override { return "QORAuthViewController"; }
    bool setOutlet(std::string_view name, const std::shared_ptr<platform::Responder>& object) override {
      return bindOutlet(name, object, "activityIndicator", activityIndicator) || ViewController::setOutlet(name, object);
    }
    std::weak_ptr<platform::ActivityIndicatorView> activityIndicator;
  };
  platform::ClassRegistry::registerClass<Host>("QORAuthViewController", qor::kQORNativeScreensBundleIdentifier);
  auto host = std::dynamic_pointer_cast<Host>(instantiateNativeScreen(kQORAuthStoryboardName, "QORAuthViewController"));
  ASSERT_NE(host, nullptr);
  host->view();
  ASSERT_NE(host->activityIndicator.lock(), nullptr);
  EXPECT_TRUE(host->activityIndicator.lock()->isAnimating());
}

// A subclass names its own scene, which the bundle does not have.
class BrandedPin : public QORPinViewController {
 public:
  static constexpr const char* kClassName = "BrandedPinViewController";
};

TEST_F(Layouts, AMissingStoryboardOrSceneGivesNoScreen) {
  platform::LogCapture log;
  EXPECT_EQ(QORPinViewController::controllerWithTheme<BrandedPin>(nullptr, delegate_, false, qortest::sampleAuthData()),
            nullptr);
  EXPECT_EQ(log.messages(), (std::vector<std::string>{
                                "Storyboard QORAuthViewController has no scene \"BrandedPinViewController\""}));

  // A bundle under the same identifier without the storyboards.
  const auto installed = platform::Bundle::bundleWithIdentifier(qor::kQORNativeScreensBundleIdentifier);
  ASSERT_NE(installed, nullptr);
  platform::Bundle::registerBundle(platform::Bundle::create(qor::kQORNativeScreensBundleIdentifier));
  const auto data = qortest::sampleAuthData();
  EXPECT_EQ(QORPinViewController::controllerWithTheme(nullptr, delegate_, false, data), nullptr);
  EXPECT_EQ(QORBiometricAuthViewController::controllerWithTheme(nullptr, delegate_, data), nullptr);
  EXPECT_EQ(QORCommitAuthViewController::controllerWithTheme(nullptr, delegate_, data), nullptr);
  EXPECT_EQ(instantiateNativeScreen(qor::kQOREnrollmentStoryboardName, "QOREnrollmentViewController"), nullptr);
  platform::Bundle::registerBundle(installed);
  EXPECT_NE(QORCommitAuthViewController::controllerWithTheme(nullptr, delegate_, data), nullptr);
}

TEST_F(Layouts, ANibBackedViewLooksForTheNibOfItsOwnClass) {
  struct Card : qor::QORAuthInfo {
    std::string className() const override { return "BrandedCard"; }
  };
  platform::LogCapture log;
  auto card = qor::QORXIBControl::createWithFrame<Card>(platform::Rect::make(0, 0, 343, 180));
  EXPECT_TRUE(card->subviews().empty());
  EXPECT_EQ(card->contentView(), nullptr);
  EXPECT_EQ(log.messages(), (std::vector<std::string>{"No nib BrandedCard for its view; it stays empty"}));
  auto own = qor::QORXIBControl::createWithFrame<qor::QORAuthInfo>(platform::Rect::make(0, 0, 343, 180));
  ASSERT_NE(own->contentView(), nullptr);
  EXPECT_EQ(own->contentView()->superview(), own);
  EXPECT_EQ(own->contentView()->frame(), platform::Rect::make(0, 0, 343, 180));
}

// What a person reads off each screen, with a theme that has a logo, and a transaction.
class Rendering : public qortest::ScreenTest {
 protected:
  void SetUp() override {
    theme_->setLogo(platform::Image::imageWithData(qortest::pngHeader(400, 100)));
    data_->setDescription(platform::AttributedString("Pay EUR 12.50 to Acme Ltd\nFee EUR 0.20"));
  }

  std::shared_ptr<qor::QORTheme> theme_ = qortest::themeWithColors(qortest::allThemeColorKeys());
  std::shared_ptr<qor::QORAuthData> data_ = qortest::sampleAuthData("Card payment");
  const std::string card_ =
      "\"Card payment\"\n"
      "\"Pay EUR 12.50 to Acme Ltd\\nFee EUR 0.20\"\n"
      "\"From:\"  \"Acme Bank\"\n"
      "<image 400x100>\n";  // the image's own size
};

TEST_F(Rendering, ThePinScreenShowsTheCardSlotsKeypadAndButtons) {
  // Every draw leaves its item in place: the digits follow the outlets.
  qor::internal::ScopedUniformRandomSource ordered([](uint32_t) { return 0u; });
  auto pin = QORPinViewController::controllerWithTheme(theme_, delegate_, false, data_);
  present(pin);
  ASSERT_EQ(platform::tap(platform::findButtonWithTitle(pin->keyboard(), "4")), platform::TapResult::delivered);
  ASSERT_EQ(platform::tap(platform::findButtonWithTitle(pin->keyboard(), "2")), platform::TapResult::delivered);
  EXPECT_EQ(platform::renderScreen(),
            "== QORPinViewController ==\n"
            "\"Enter your PIN\"\n" +
                card_ +
                "\"•\"  \"2\"  \"_\"  \"_\"\n"
                "[0]  [1]  [2]\n"
                "[3]  [4]  [5]\n"
                "[6]  [7]  [8]\n"
                "[9]\n"
                "[Delete]\n"
                "[Cancel]  [Confirm]\n");
}

TEST_F(Rendering, TheApprovalScreensShowTheTitleCardAndButtons) {
  const std::string title = "\"Hi there,\\ncould you please yuvo this?\"\n\"Authorization request\"\n";
  auto confirm = QORCommitAuthViewController::controllerWithTheme(theme_, delegate_, data_);
  present(confirm);
  EXPECT_EQ(platform::renderScreen(),
            "== QORCommitAuthViewController ==\n" + title + card_ + "[Cancel]  [Confirm]\n");
  screen_.root()->dismissViewControllerAnimated(false);
  ASSERT_TRUE(screen_.settle());

  auto biometric = QORBiometricAuthViewController::controllerWithTheme(theme_, delegate_, data_);
  present(biometric);
  ASSERT_EQ(platform::tapButtonWithTitle("Confirm with Face ID"), platform::TapResult::delivered);
  EXPECT_EQ(platform::renderScreen(),
            "== QORBiometricAuthViewController ==\n" + title + card_ +
                "[Cancel]  [Confirm with Face ID]\n"
                "== biometric prompt ==\n"
                "\"Approve the payment\"\n"
                "[Authenticate with PIN]\n"
                "[Cancel]\n");
}

TEST_F(Rendering, TheEnrollmentScreenShowsItsSpinner) {
  auto screen = instantiateNativeScreen(qor::kQOREnrollmentStoryboardName, "QOREnrollmentViewController");
  present(screen);
  EXPECT_EQ(platform::renderScreen(), "== QOREnrollmentViewController ==\n(busy)\n");
}

}  // namespace
