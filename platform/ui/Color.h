// A colour of the screen stand-in: red, green, blue and alpha components from 0.0 to 1.0 (sRGB).
// A plain value; cheap to copy.
#pragma once

#include "platform/QORPlatformExport.h"

namespace platform {

struct QOR_PLATFORM_EXPORT Color {
  double red = 0.0;
  double green = 0.0;
  double blue = 0.0;
  double alpha = 0.0;

  static constexpr Color colorWithRed(double red, double green, double blue, double alpha) {
    return Color{red, green, blue, alpha};
  }
  // Fully transparent black.
  static constexpr Color clearColor() { return Color{}; }

  bool operator==(const Color& other) const = default;
};

}  // namespace platform
