// The main screen of the simulated device: its size in points and its scale (pixels per point). The
// host app or a test sets them; by default a 375 x 812 point screen at scale 3.
//
// Safe from any thread.
#pragma once

#include "platform/QORPlatformExport.h"
#include "platform/ui/Geometry.h"

namespace platform {

class QOR_PLATFORM_EXPORT Screen {
 public:
  static Screen mainScreen();
  // Simulation: the main screen from now on. A scale of zero or less is taken as 1.
  static void setMainScreen(Size points, double scale);
  static void resetMainScreen();

  // In points, origin 0, 0.
  Rect bounds() const { return Rect{Point{}, points_}; }
  double scale() const { return scale_; }
  // In pixels: the bounds times the scale.
  Rect nativeBounds() const { return Rect{Point{}, Size{points_.width * scale_, points_.height * scale_}}; }
  double nativeScale() const { return scale_; }

 private:
  Screen(Size points, double scale) : points_(points), scale_(scale) {}
  Size points_;
  double scale_;
};

}  // namespace platform
