// What the enrollment screen knows of its controller: how to start it. The controller reports its
// final status to the screen as its QORBaseClientActionControllerDelegate.
#pragma once

#include "ui/DefaultQorUiExport.h"

namespace qor {

class QOR_UI_EXPORT QOREnrollmentStartProtocol {
 public:
  virtual ~QOREnrollmentStartProtocol() = default;
  virtual void start() = 0;
};

}  // namespace qor
