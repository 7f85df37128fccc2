// What the biometric screen reports, on the main queue; one report per prompt at most.
#pragma once

#include <string>

#include "ui/DefaultQorUiExport.h"

namespace qor {

class QOR_UI_EXPORT QORBiometricAuthViewControllerDelegate {
 public:
  virtual ~QORBiometricAuthViewControllerDelegate() = default;
  // The cancel button, or a prompt that finds biometrics no longer available; always false here.
  virtual void biometricAuthViewControllerCancelledWithTimeout(bool timeout) = 0;
  // The prompt succeeded: "FACE3DMAP", "FINGERPRINT", or "" when the device reports no biometry.
  virtual void biometricAuthViewControllerConfirmedWithType(const std::string& type) = 0;
  // The user chose the prompt's fallback button.
  virtual void fallbackToPin() = 0;
};

}  // namespace qor
