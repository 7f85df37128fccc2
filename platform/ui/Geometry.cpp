#include "platform/ui/Geometry.h"

#include <algorithm>

namespace platform {

Rect Rect::intersection(const Rect& other) const {
  const double x0 = std::max(minX(), other.minX());
  const double y0 = std::max(minY(), other.minY());
  const double x1 = std::min(maxX(), other.maxX());
  const double y1 = std::min(maxY(), other.maxY());
  if (x1 <= x0 || y1 <= y0) return Rect{};
  return make(x0, y0, x1 - x0, y1 - y0);
}

Rect makeRectWithAspectRatioInsideRect(Size aspectRatio, const Rect& bounds) {
  const Point centre{bounds.minX() + bounds.width() / 2, bounds.minY() + bounds.height() / 2};
  if (!(aspectRatio.width > 0) || !(aspectRatio.height > 0)) return Rect{centre, Size{}};
  const double scale = std::min(bounds.width() / aspectRatio.width, bounds.height() / aspectRatio.height);
  const Size fitted{aspectRatio.width * scale, aspectRatio.height * scale};
  return Rect{Point{centre.x - fitted.width / 2, centre.y - fitted.height / 2}, fitted};
}

}  // namespace platform
