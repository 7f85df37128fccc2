// A value that crosses to the cross-platform UI module as JSON text.
#pragma once

#include <string>

#include "KivAbstractCore/KivAbstractCoreExport.h"

namespace qor {

class KIV_EXPORT Parcel {
 public:
  virtual ~Parcel() = default;
  // The parcel's JSON text: always valid UTF-8, members in no fixed order.
  virtual std::string pack() const = 0;
};

}  // namespace qor
