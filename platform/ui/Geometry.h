// Points, sizes and rectangles of the screen stand-in, in points with the origin at the top left.
// Plain values; cheap to copy.
#pragma once

#include "platform/QORPlatformExport.h"
#include "platform/ui/Size.h"

namespace platform {

struct QOR_PLATFORM_EXPORT Point {
  double x = 0.0;
  double y = 0.0;

  bool operator==(const Point& other) const = default;
};

struct QOR_PLATFORM_EXPORT Rect {
  Point origin;
  Size size;

  static constexpr Rect make(double x, double y, double width, double height) {
    return Rect{Point{x, y}, Size{width, height}};
  }
  double minX() const { return origin.x; }
  double minY() const { return origin.y; }
  double maxX() const { return origin.x + size.width; }
  double maxY() const { return origin.y + size.height; }
  double width() const { return size.width; }
  double height() const { return size.height; }
  bool isEmpty() const { return size.width <= 0 || size.height <= 0; }
  bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
  // The overlap of both; an empty rectangle when they do not overlap.
  Rect intersection(const Rect& other) const;

  bool operator==(const Rect& other) const = default;
};

// The largest rectangle of the aspect ratio of `aspectRatio` that fits inside `bounds`, centred in it
// (the platform's AVMakeRectWithAspectRatioInsideRect). An aspect ratio with a zero or negative side
// has no such rectangle: the answer is then an empty rectangle at the centre of `bounds`.
QOR_PLATFORM_EXPORT Rect makeRectWithAspectRatioInsideRect(Size aspectRatio, const Rect& bounds);

}  // namespace platform
