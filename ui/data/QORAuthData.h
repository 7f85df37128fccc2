// The texts of one authorization as a screen shows them, with its payments and timer. The native
// host fills a new one for every screen it shows; the default screens read the transaction text,
// the card's header, the biometric prompt's reason and the title.
//
// The title (`confirmationDescription`) is built when the object is made, from the current
// `confirmationDescriptionText`, styled by character position: white throughout, the last character
// in the accent colour, characters 0 to 8 in "Ubuntu-Regular" at 37 points and 10 to the end at 20
// points (the character at 9, a line feed in the default text, keeps the default font). Every range
// is clipped to the text, so a short, empty or unset text is styled as far as it goes. Without the
// font registered only the colours are set.
//
// Every property is read and written whole under a lock, so any thread may fill the object.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ui/AttributedString.h"
#include "ui/DefaultQorUiExport.h"
#include "ui/data/QORAtomicValue.h"
#include "ui/data/QORPayment.h"

namespace qor {

class QOR_UI_EXPORT QORAuthData {
 public:
  using Text = std::optional<platform::AttributedString>;
  using Payments = std::vector<std::shared_ptr<QORPayment>>;

  static std::shared_ptr<QORAuthData> create();

  // The transaction text.
  Text description() const { return description_.load(); }
  void setDescription(Text text) { description_.store(std::move(text)); }
  Payments payments() const { return payments_.load(); }
  void setPayments(Payments payments) { payments_.store(std::move(payments)); }
  int64_t timerSeconds() const { return timerSeconds_.load(); }
  void setTimerSeconds(int64_t seconds) { timerSeconds_.store(seconds); }
  Text biometricAlertReasonText() const { return biometricAlertReasonText_.load(); }
  void setBiometricAlertReasonText(Text text) { biometricAlertReasonText_.store(std::move(text)); }
  Text confirmActionHeaderText() const { return confirmActionHeaderText_.load(); }
  void setConfirmActionHeaderText(Text text) { confirmActionHeaderText_.store(std::move(text)); }
  Text confirmButtonText() const { return confirmButtonText_.load(); }
  void setConfirmButtonText(Text text) { confirmButtonText_.store(std::move(text)); }
  Text confirmBiometricTouchButtonText() const { return confirmBiometricTouchButtonText_.load(); }
  void setConfirmBiometricTouchButtonText(Text text) { confirmBiometricTouchButtonText_.store(std::move(text)); }
  Text confirmBiometricFaceButtonText() const { return confirmBiometricFaceButtonText_.load(); }
  void setConfirmBiometricFaceButtonText(Text text) { confirmBiometricFaceButtonText_.store(std::move(text)); }
  Text cancelButtonText() const { return cancelButtonText_.load(); }
  void setCancelButtonText(Text text) { cancelButtonText_.store(std::move(text)); }
  Text massPaymentDetailsButtonText() const { return massPaymentDetailsButtonText_.load(); }
  void setMassPaymentDetailsButtonText(Text text) { massPaymentDetailsButtonText_.store(std::move(text)); }
  Text massPaymentDetailsHeaderText() const { return massPaymentDetailsHeaderText_.load(); }
  void setMassPaymentDetailsHeaderText(Text text) { massPaymentDetailsHeaderText_.store(std::move(text)); }
  Text feeLabelText() const { return feeLabelText_.load(); }
  void setFeeLabelText(Text text) { feeLabelText_.store(std::move(text)); }
  Text recepientLabelText() const { return recepientLabelText_.load(); }
  void setRecepientLabelText(Text text) { recepientLabelText_.store(std::move(text)); }
  // The screen title.
  Text confirmationDescription() const { return confirmationDescription_.load(); }
  void setConfirmationDescription(Text text) { confirmationDescription_.store(std::move(text)); }

 private:
  QORAuthData() = default;
  void setupConfirmationDescription();

  QORAtomicValue<Text> description_;
  QORAtomicValue<Payments> payments_;
  std::atomic<int64_t> timerSeconds_{0};
  QORAtomicValue<Text> biometricAlertReasonText_;
  QORAtomicValue<Text> confirmActionHeaderText_;
  QORAtomicValue<Text> confirmButtonText_;
  QORAtomicValue<Text> confirmBiometricTouchButtonText_;
  QORAtomicValue<Text> confirmBiometricFaceButtonText_;
  QORAtomicValue<Text> cancelButtonText_;
  QORAtomicValue<Text> massPaymentDetailsButtonText_;
  QORAtomicValue<Text> massPaymentDetailsHeaderText_;
  QORAtomicValue<Text> feeLabelText_;
  QORAtomicValue<Text> recepientLabelText_;
  QORAtomicValue<Text> confirmationDescription_;
};

}  // namespace qor
