// Sends receiver calls to the registered NotificationReceiver objects.
// Offered for the module's structure; nothing in the system adopts or calls it.
#pragma once

#include <memory>

#include "KivAbstractCore/CrossPlatformUIReceivers.h"
#include "KivAbstractCore/KivAbstractCoreExport.h"

namespace qor {

class NotificationReceiver;
class Parcel;

class KIV_EXPORT NotificationHandler {
 public:
  virtual ~NotificationHandler() = default;

  // `parcel` may be null.
  virtual void sendNotification(CrossPlatformUIReceivers receiver, std::shared_ptr<Parcel> parcel) = 0;
  virtual void registerNotificationReceiver(std::shared_ptr<NotificationReceiver> receiver) = 0;
};

}  // namespace qor
