// The host app's texts for the native screens: every text is attributed, so the provider decides
// font and colour as well as wording. The host app passes one when it starts an enrollment or an
// authorization; DefaultResourceProvider is the system's own.
#pragma once

#include <memory>
#include <optional>

#include "platform/ui/AttributedString.h"
#include "sdk/QORExport.h"

namespace qor {

class TransactionInfo;

class QOR_EXPORT ResourceProvider {
 public:
  using Text = std::optional<platform::AttributedString>;

  virtual ~ResourceProvider() = default;

  // A description and a header for a transaction (nothing in the system shows them).
  virtual Text stringForTransactionInfo(const std::shared_ptr<TransactionInfo>& info) = 0;
  virtual Text stringForConfirmActionHeader(const std::shared_ptr<TransactionInfo>& info) = 0;
  // The reason the system's biometric prompt shows.
  virtual Text biometricAlertReasonText() const = 0;
  virtual void setBiometricAlertReasonText(Text text) = 0;
  virtual Text confirmButtonText() const = 0;
  virtual void setConfirmButtonText(Text text) = 0;
  virtual Text confirmBiometricTouchButtonText() const = 0;
  virtual void setConfirmBiometricTouchButtonText(Text text) = 0;
  virtual Text confirmBiometricFaceButtonText() const = 0;
  virtual void setConfirmBiometricFaceButtonText(Text text) = 0;
  virtual Text cancelButtonText() const = 0;
  virtual void setCancelButtonText(Text text) = 0;
  virtual Text massPaymentDetailsButtonText() const = 0;
  virtual void setMassPaymentDetailsButtonText(Text text) = 0;
  virtual Text massPaymentDetailsHeaderText() const = 0;
  virtual void setMassPaymentDetailsHeaderText(Text text) = 0;
  virtual Text feeLabelText() const = 0;
  virtual void setFeeLabelText(Text text) = 0;
  virtual Text recepientLabelText() const = 0;
  virtual void setRecepientLabelText(Text text) = 0;
  // The enrollment screen's title and description.
  virtual Text enrollmentTitleText() const = 0;
  virtual void setEnrollmentTitleText(Text text) = 0;
  virtual Text enrollmentDescriptionText() const = 0;
  virtual void setEnrollmentDescriptionText(Text text) = 0;
};

}  // namespace qor
