// Marker for the module's own engine dependencies; no type of the system adopts it.
// Polymorphic only so that a receiver can test the concrete type with dynamic_cast.
#pragma once

namespace qor {

class AbstractFlutterEngineDependency {
 public:
  virtual ~AbstractFlutterEngineDependency() = default;
};

}  // namespace qor
