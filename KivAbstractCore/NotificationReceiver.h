// Receives the notifications that a NotificationHandler sends.
// Offered for the module's structure; nothing in the system adopts or calls it.
#pragma once

#include <any>

#include "KivAbstractCore/KivAbstractCoreExport.h"

namespace qor {

class KIV_EXPORT NotificationReceiver {
 public:
  virtual ~NotificationReceiver() = default;

  virtual void handleNotification(std::any channel) = 0;
};

}  // namespace qor
