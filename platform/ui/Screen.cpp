#include "platform/ui/Screen.h"

#include <mutex>

namespace platform {
namespace {

constexpr Size kDefaultPoints{375, 812};
constexpr double kDefaultScale = 3;

struct ScreenState {
  std::mutex mutex;
  Size points = kDefaultPoints;
  double scale = kDefaultScale;
};

ScreenState& state() {
  static auto* s = new ScreenState;
  return *s;
}

}  // namespace

Screen Screen::mainScreen() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return Screen(s.points, s.scale);
}

void Screen::setMainScreen(Size points, double scale) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.points = points;
  s.scale = scale > 0 ? scale : 1;
}

void Screen::resetMainScreen() { setMainScreen(kDefaultPoints, kDefaultScale); }

}  // namespace platform
