#include "platform/ui/Snapshot.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/View.h"

namespace platform {
namespace {

constexpr long kMaxSide = 8192;

struct Canvas {
  long width;
  long height;
  std::vector<double> rgba;  // straight alpha, 0..1

  // Source-over blending of the colour on every pixel whose centre lies in the rectangle.
  void fill(const Rect& rect, const Color& color) {
    const long x0 = std::clamp(std::lround(rect.minX()), 0L, width);
    const long x1 = std::clamp(std::lround(rect.maxX()), 0L, width);
    const long y0 = std::clamp(std::lround(rect.minY()), 0L, height);
    const long y1 = std::clamp(std::lround(rect.maxY()), 0L, height);
    const double sa = std::clamp(color.alpha, 0.0, 1.0);
    const double src[3] = {color.red, color.green, color.blue};
    for (long y = y0; y < y1; ++y) {
      for (long x = x0; x < x1; ++x) {
        double* p = &rgba[size_t((y * width + x) * 4)];
        const double da = p[3];
        const double outA = sa + da * (1 - sa);
        for (int c = 0; c < 3; ++c) {
          p[c] = outA > 0 ? (std::clamp(src[c], 0.0, 1.0) * sa + p[c] * da * (1 - sa)) / outA : 0;
        }
        p[3] = outA;
      }
    }
  }

  void paint(const View& view, Point origin, const Rect& clip) {
    if (view.isHidden()) return;
    const Rect rect{origin, view.frame().size};
    const Rect visible = rect.intersection(clip);
    if (view.backgroundColor() && !visible.isEmpty()) fill(visible, *view.backgroundColor());
    if (view.clipsToBounds() && visible.isEmpty()) return;
    const Rect childClip = view.clipsToBounds() ? visible : clip;
    for (const auto& child : view.subviews()) {
      paint(*child, Point{origin.x + child->frame().minX(), origin.y + child->frame().minY()}, childClip);
    }
  }
};

}  // namespace

std::shared_ptr<Image> snapshotImage(const std::shared_ptr<View>& view) {
  if (!view) return nullptr;
  const long width = std::lround(view->bounds().width());
  const long height = std::lround(view->bounds().height());
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return nullptr;
  Canvas canvas{width, height, std::vector<double>(size_t(width * height * 4), 0.0)};
  view->layoutIfNeeded();
  canvas.paint(*view, Point{}, Rect::make(0, 0, double(width), double(height)));
  Bytes pixels(canvas.rgba.size());
  std::transform(canvas.rgba.begin(), canvas.rgba.end(), pixels.begin(),
                 [](double v) { return uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255)); });
  return Image::imageWithPixels(uint32_t(width), uint32_t(height), pixels);
}

}  // namespace platform
