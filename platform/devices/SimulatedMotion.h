// The simulated motion sensor behind CMMotionManager, moved by the host app or a test: the user's
// acceleration of the device from a moment on. By default the sensor is there and the device lies
// still.
//
// Safe from any thread.
#pragma once

#include "platform/Clock.h"
#include "platform/QORPlatformExport.h"
#include "platform/devices/CMMotionManager.h"

namespace platform {

class QOR_PLATFORM_EXPORT SimulatedMotion {
 public:
  // A sensor, the device lying still, no scheduled movement.
  static void reset();
  static void setAvailable(bool available);
  // The acceleration from now on (platform::Clock).
  static void setUserAcceleration(const CMAcceleration& acceleration);
  // The acceleration from `delay` after now on.
  static void setUserAccelerationAfter(Duration delay, const CMAcceleration& acceleration);

 private:
  friend class CMMotionManager;
  static bool isAvailable();
  static CMAcceleration userAccelerationAt(TimePoint time);
};

}  // namespace platform
