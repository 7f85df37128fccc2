// Marker of what the module receives in attachViewWithKivData (KivData adopts it).
// Polymorphic only so that a receiver can test the concrete type with dynamic_cast.
#pragma once

namespace qor {

class AbstractKivData {
 public:
  virtual ~AbstractKivData() = default;
};

}  // namespace qor
