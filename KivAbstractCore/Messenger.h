// Sends receiver calls over a channel of the module's own type C.
// Offered for the module's structure; nothing in the system adopts or calls it.
#pragma once

#include <memory>

#include "KivAbstractCore/CrossPlatformUIReceivers.h"

namespace qor {

class Parcel;

template <class C>
class Messenger {
 public:
  virtual ~Messenger() = default;

  // `parcel` may be null. (The first label is spelled "reciever" in this protocol.)
  virtual void send(CrossPlatformUIReceivers reciever, std::shared_ptr<Parcel> parcel, C channel) = 0;
};

}  // namespace qor
