// What the PIN screen reports, on the main queue.
#pragma once

#include <string>

#include "ui/DefaultQorUiExport.h"

namespace qor {

class QOR_UI_EXPORT QORPinViewControllerDelegate {
 public:
  virtual ~QORPinViewControllerDelegate() = default;
  // Confirm: the PIN text as entered, whatever its length.
  virtual void authComplete(const std::string& pin) = 0;
  // Cancel; the PIN screen always passes false.
  virtual void authCancelWithTimeoutError(bool timeout) = 0;
};

}  // namespace qor
