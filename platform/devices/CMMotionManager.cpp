#include "platform/devices/CMMotionManager.h"

#include <algorithm>

#include "platform/devices/SimulatedMotion.h"

namespace platform {

bool CMMotionManager::isDeviceMotionAvailable() const { return SimulatedMotion::isAvailable(); }

void CMMotionManager::startDeviceMotionUpdates() {
  if (active_ || !SimulatedMotion::isAvailable()) return;
  active_ = true;
  start_ = Clock::now();
  tick_ = std::max(seconds(interval_), Duration(1));
}

std::optional<CMDeviceMotion> CMMotionManager::deviceMotion() const {
  if (!active_) return std::nullopt;
  const auto ticks = (Clock::now() - start_) / tick_;
  if (ticks < 1) return std::nullopt;
  const TimePoint sampledAt = start_ + ticks * tick_;
  return CMDeviceMotion{SimulatedMotion::userAccelerationAt(sampledAt), toSeconds(sampledAt.time_since_epoch())};
}

}  // namespace platform
