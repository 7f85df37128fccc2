// A value that crosses to the cross-platform UI module as JSON text.
#pragma once

#include <string>

namespace qor {

class Parcel {
 public:
  virtual ~Parcel() = default;
  // The parcel's JSON text: always valid UTF-8, members in no fixed order.
  virtual std::string pack() const = 0;
};

}  // namespace qor
