// Hears the keypad's digits: the title of the pressed button, "0" to "9". Main queue.
#pragma once

#include <string>

#include "ui/DefaultQorUiExport.h"

namespace qor {

class QOR_UI_EXPORT QORKeyboardDelegate {
 public:
  virtual ~QORKeyboardDelegate() = default;
  virtual void valueButtonPressed(const std::string& value) = 0;
};

}  // namespace qor
