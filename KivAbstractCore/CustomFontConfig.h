// Marker of a font configuration handed to the module (LocalStorageCustomFontConfig adopts it).
// Polymorphic only so that a receiver can test the concrete type with dynamic_cast.
#pragma once

#include "KivAbstractCore/KivAbstractCoreExport.h"

namespace qor {

class KIV_EXPORT CustomFontConfig {
 public:
  virtual ~CustomFontConfig() = default;
};

}  // namespace qor
