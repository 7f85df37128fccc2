// A screen that closes itself when a new authorization is about to be shown. The presenter then
// tries again, so the screen must leave the top of the presentation stack. Main queue.
#pragma once

#include "ui/DefaultQorUiExport.h"

namespace qor {

class QOR_UI_EXPORT QORForceClosable {
 public:
  virtual ~QORForceClosable() = default;
  virtual void forceClose() = 0;
};

}  // namespace qor
