// Device motion (the platform's CoreMotion), read from the simulated device of SimulatedMotion.h.
// Updates are pulled: once started, the manager takes a sample every update interval (the first one
// interval after the start), and deviceMotion gives the latest one. Samples follow platform::Clock,
// so in virtual time they come exactly on their ticks.
//
// Belongs to the queue that made it (the main queue for the motion record).
#pragma once

#include <optional>

#include "platform/Clock.h"
#include "platform/QORPlatformExport.h"

namespace platform {

// In g (9.81 m/s^2), along the device's three axes.
struct QOR_PLATFORM_EXPORT CMAcceleration {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;

  bool operator==(const CMAcceleration& other) const = default;
};

struct QOR_PLATFORM_EXPORT CMDeviceMotion {
  // The acceleration the user gives the device, gravity left out.
  CMAcceleration userAcceleration;
  // When the sample was taken, in seconds on platform::Clock.
  double timestamp = 0.0;
};

class QOR_PLATFORM_EXPORT CMMotionManager {
 public:
  bool isDeviceMotionAvailable() const;
  // In seconds; 0.01 unless set. A value of 0 or less is taken as 0.01. Read when updates start.
  double deviceMotionUpdateInterval() const { return interval_; }
  void setDeviceMotionUpdateInterval(double seconds) { interval_ = seconds > 0 ? seconds : 0.01; }

  // Nothing happens on a device without a motion sensor.
  void startDeviceMotionUpdates();
  void stopDeviceMotionUpdates() { active_ = false; }
  bool isDeviceMotionActive() const { return active_; }
  // The latest sample; nullopt while updates are off and before the first sample.
  std::optional<CMDeviceMotion> deviceMotion() const;

 private:
  double interval_ = 0.01;
  bool active_ = false;
  TimePoint start_;
  Duration tick_{};
};

}  // namespace platform
