// The system's own texts for the native screens, used whenever the host app passes no provider.
// Each text is filled once, when the object is made, in the system font and a colour over the whole
// text; the host app may replace any of them afterwards. Properties are read and written whole under
// a lock.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "sdk/QORExport.h"
#include "sdk/resources/ResourceProvider.h"
#include "ui/data/QORAtomicValue.h"

namespace qor {

class QOR_EXPORT DefaultResourceProvider : public ResourceProvider {
 public:
  static std::shared_ptr<DefaultResourceProvider> create();

  // "Default implementation" and "Default Header": a new text on every call, whatever the argument.
  Text stringForTransactionInfo(const std::shared_ptr<TransactionInfo>& info) override;
  Text stringForConfirmActionHeader(const std::shared_ptr<TransactionInfo>& info) override;

  Text biometricAlertReasonText() const override { return biometricAlertReasonText_.load(); }
  void setBiometricAlertReasonText(Text text) override { biometricAlertReasonText_.store(std::move(text)); }
  Text confirmButtonText() const override { return confirmButtonText_.load(); }
  void setConfirmButtonText(Text text) override { confirmButtonText_.store(std::move(text)); }
  Text confirmBiometricTouchButtonText() const override { return confirmBiometricTouchButtonText_.load(); }
  void setConfirmBiometricTouchButtonText(Text text) override { confirmBiometricTouchButtonText_.store(std::move(text)); }
  Text confirmBiometricFaceButtonText() const override { return confirmBiometricFaceButtonText_.load(); }
  void setConfirmBiometricFaceButtonText(Text text) override { confirmBiometricFaceButtonText_.store(std::move(text)); }
  Text cancelButtonText() const override { return cancelButtonText_.load(); }
  void setCancelButtonText(Text text) override { cancelButtonText_.store(std::move(text)); }
  Text massPaymentDetailsButtonText() const override { return massPaymentDetailsButtonText_.load(); }
  void setMassPaymentDetailsButtonText(Text text) override { massPaymentDetailsButtonText_.store(std::move(text)); }
  Text massPaymentDetailsHeaderText() const override { return massPaymentDetailsHeaderText_.load(); }
  void setMassPaymentDetailsHeaderText(Text text) override { massPaymentDetailsHeaderText_.store(std::move(text)); }
  Text feeLabelText() const override { return feeLabelText_.load(); }
  void setFeeLabelText(Text text) override { feeLabelText_.store(std::move(text)); }
  Text recepientLabelText() const override { return recepientLabelText_.load(); }
  void setRecepientLabelText(Text text) override { recepientLabelText_.store(std::move(text)); }
  Text enrollmentTitleText() const override { return enrollmentTitleText_.load(); }
  void setEnrollmentTitleText(Text text) override { enrollmentTitleText_.store(std::move(text)); }
  Text enrollmentDescriptionText() const override { return enrollmentDescriptionText_.load(); }
  void setEnrollmentDescriptionText(Text text) override { enrollmentDescriptionText_.store(std::move(text)); }

  // The text with the colour and the font over all of it.
  static platform::AttributedString stringWithTitle(const std::string& title, const platform::Color& color,
                                                    const platform::Font& font);

 private:
  DefaultResourceProvider() = default;
  void initSelf();
  void initCancelButtonText();
  void initConfirmBiometricFaceButtonText();
  void initConfirmBiometricTouchButtonText();
  void initConfirmButtonText();
  void initFeeLabelText();
  void initMassPaymentDetailsButtonText();
  void initMassPaymentDetailsHeaderText();
  void initRecepientLabelText();
  void initEnrollmentTitleText();
  void initEnrollmentDescriptionText();
  void initBiometricAlertText();

  QORAtomicValue<Text> cancelButtonText_;
  QORAtomicValue<Text> confirmBiometricFaceButtonText_;
  QORAtomicValue<Text> confirmBiometricTouchButtonText_;
  QORAtomicValue<Text> confirmButtonText_;
  QORAtomicValue<Text> feeLabelText_;
  QORAtomicValue<Text> massPaymentDetailsButtonText_;
  QORAtomicValue<Text> massPaymentDetailsHeaderText_;
  QORAtomicValue<Text> recepientLabelText_;
  QORAtomicValue<Text> enrollmentTitleText_;
  QORAtomicValue<Text> enrollmentDescriptionText_;
  QORAtomicValue<Text> biometricAlertReasonText_;
};

}  // namespace qor
