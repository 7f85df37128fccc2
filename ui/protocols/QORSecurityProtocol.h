// A screen that hides its secret content while the app is not active. The facade tells the screen
// on top when the app resigns (true) and comes back (false). Main queue.
#pragma once

#include "ui/DefaultQorUiExport.h"

namespace qor {

class QOR_UI_EXPORT QORSecurityProtocol {
 public:
  virtual ~QORSecurityProtocol() = default;
  virtual void setDataHidden(bool hidden) = 0;
};

}  // namespace qor
