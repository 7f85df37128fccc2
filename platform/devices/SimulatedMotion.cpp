#include "platform/devices/SimulatedMotion.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {
namespace {

struct MotionState {
  std::mutex mutex;
  bool available = true;
  std::vector<std::pair<TimePoint, CMAcceleration>> changes;  // in time order
};

MotionState& state() {
  static auto* s = new MotionState;
  return *s;
}

void addChange(TimePoint at, const CMAcceleration& acceleration) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  // After every change at the same moment: the last one set wins.
  auto it = std::upper_bound(s.changes.begin(), s.changes.end(), at,
                             [](TimePoint t, const auto& change) { return t < change.first; });
  s.changes.insert(it, {at, acceleration});
}

}  // namespace

void SimulatedMotion::reset() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.available = true;
  s.changes.clear();
}

void SimulatedMotion::setAvailable(bool available) {
  std::lock_guard lock(state().mutex);
  state().available = available;
}

void SimulatedMotion::setUserAcceleration(const CMAcceleration& acceleration) { addChange(Clock::now(), acceleration); }

void SimulatedMotion::setUserAccelerationAfter(Duration delay, const CMAcceleration& acceleration) {
  addChange(Clock::now() + delay, acceleration);
}

bool SimulatedMotion::isAvailable() {
  std::lock_guard lock(state().mutex);
  return state().available;
}

CMAcceleration SimulatedMotion::userAccelerationAt(TimePoint time) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  auto it = std::upper_bound(s.changes.begin(), s.changes.end(), time,
                             [](TimePoint t, const auto& change) { return t < change.first; });
  if (it == s.changes.begin()) return {};
  return std::prev(it)->second;
}

}  // namespace platform
