// Marker for the module's own engine dependencies; no type of the system adopts it.
// Polymorphic only so that a receiver can test the concrete type with dynamic_cast.
#pragma once

#include "KivAbstractCore/KivAbstractCoreExport.h"

namespace qor {

class KIV_EXPORT AbstractFlutterEngineDependency {
 public:
  virtual ~AbstractFlutterEngineDependency() = default;
};

}  // namespace qor
