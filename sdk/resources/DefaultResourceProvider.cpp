#include "sdk/resources/DefaultResourceProvider.h"

namespace qor {
namespace {

constexpr platform::Color rgb(int red, int green, int blue) {
  return platform::Color::colorWithRed(red / 255.0, green / 255.0, blue / 255.0, 1);
}

constexpr platform::Color kDark = rgb(39, 39, 57);
constexpr platform::Color kGrey = rgb(126, 125, 147);
constexpr platform::Color kWhite = rgb(255, 255, 255);

platform::AttributedString text(const std::string& title, const platform::Color& color, double size) {
  return DefaultResourceProvider::stringWithTitle(title, color, platform::Font::systemFontOfSize(size));
}

}  // namespace

std::shared_ptr<DefaultResourceProvider> DefaultResourceProvider::create() {
  auto provider = std::shared_ptr<DefaultResourceProvider>(new DefaultResourceProvider);
  provider->initSelf();
  return provider;
}

platform::AttributedString DefaultResourceProvider::stringWithTitle(const std::string& title,
                                                                    const platform::Color& color,
                                                                    const platform::Font& font) {
  return platform::AttributedString(title, platform::TextAttributes{color, font, std::nullopt});
}

ResourceProvider::Text DefaultResourceProvider::stringForTransactionInfo(const std::shared_ptr<TransactionInfo>&) {
  return text("Default implementation", kDark, 16);
}

ResourceProvider::Text DefaultResourceProvider::stringForConfirmActionHeader(const std::shared_ptr<TransactionInfo>&) {
  return text("Default Header", kDark, 16);
}

void DefaultResourceProvider::initSelf() {
  initCancelButtonText();
  initConfirmBiometricFaceButtonText();
  initConfirmBiometricTouchButtonText();
  initConfirmButtonText();
  initFeeLabelText();
  initMassPaymentDetailsButtonText();
  initMassPaymentDetailsHeaderText();
  initRecepientLabelText();
  initEnrollmentTitleText();
  initEnrollmentDescriptionText();
  initBiometricAlertText();
}

void DefaultResourceProvider::initCancelButtonText() { setCancelButtonText(text("Cancel", kDark, 16)); }

void DefaultResourceProvider::initConfirmBiometricFaceButtonText() {
  setConfirmBiometricFaceButtonText(text("Confirm with Face ID", kWhite, 16));
}

void DefaultResourceProvider::initConfirmBiometricTouchButtonText() {
  setConfirmBiometricTouchButtonText(text("Confirm with Touch ID", kWhite, 16));
}

void DefaultResourceProvider::initConfirmButtonText() { setConfirmButtonText(text("Confirm", kWhite, 16)); }

void DefaultResourceProvider::initFeeLabelText() { setFeeLabelText(text("Fee:", kGrey, 12)); }

void DefaultResourceProvider::initMassPaymentDetailsButtonText() {
  auto title = text("MASS PAYMENT DETAILS", kGrey, 16);
  title.addAttributes(platform::TextAttributes{std::nullopt, std::nullopt, 3.0}, platform::Range{0, title.length()});
  setMassPaymentDetailsButtonText(std::move(title));
}

void DefaultResourceProvider::initMassPaymentDetailsHeaderText() {
  setMassPaymentDetailsHeaderText(text("Mass payment details", kDark, 34));
}

void DefaultResourceProvider::initRecepientLabelText() { setRecepientLabelText(text("Recepient:", kGrey, 12)); }

void DefaultResourceProvider::initEnrollmentTitleText() {
  setEnrollmentTitleText(text("Device bindig\xE2\x80\xA6", kGrey, 28));
}

void DefaultResourceProvider::initEnrollmentDescriptionText() {
  setEnrollmentDescriptionText(
      text("We are binding this device to your eTrandlor account. Please wait", kGrey, 28));
}

void DefaultResourceProvider::initBiometricAlertText() {
  setBiometricAlertReasonText(text("Biometric authentication request", kGrey, 18));
}

}  // namespace qor
