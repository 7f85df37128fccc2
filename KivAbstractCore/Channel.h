// A channel of the module that carries receiver calls; CT is the module's own channel type.
// Offered for the module's structure; nothing in the system adopts or calls it.
#pragma once

#include <memory>

#include "KivAbstractCore/CrossPlatformUIReceivers.h"

namespace qor {

class Parcel;

template <class CT>
class Channel {
 public:
  virtual ~Channel() = default;

  virtual const CT& channel() const = 0;
  // `parcel` may be null.
  virtual void flowThrough(CrossPlatformUIReceivers receiver, std::shared_ptr<Parcel> parcel) = 0;
};

}  // namespace qor
