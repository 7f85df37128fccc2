// Marker of a font configuration handed to the module (LocalStorageCustomFontConfig adopts it).
// Polymorphic only so that a receiver can test the concrete type with dynamic_cast.
#pragma once

namespace qor {

class CustomFontConfig {
 public:
  virtual ~CustomFontConfig() = default;
};

}  // namespace qor
