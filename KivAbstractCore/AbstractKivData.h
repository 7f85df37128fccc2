// Marker of what the module receives in attachViewWithKivData (KivData adopts it).
// Polymorphic only so that a receiver can test the concrete type with dynamic_cast.
#pragma once

#include "KivAbstractCore/KivAbstractCoreExport.h"

namespace qor {

class KIV_EXPORT AbstractKivData {
 public:
  virtual ~AbstractKivData() = default;
};

}  // namespace qor
