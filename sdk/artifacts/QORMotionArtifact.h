// The finding that the device never moved while the transaction was pending, with the sampler that
// watches for motion: device-motion updates and a repeating timer, both every 0.01 s, from creation
// until motion is first seen, its dictionary is built, it is stopped, or it goes away.
//
// Made and read on the main queue; the timer ticks there and holds the record weakly. The sampler's
// state is guarded, so `hasDetectedMotion` and `stopTrackingMotions` are safe from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "common/artifacts/QORSessionArtifact.h"
#include "platform/Queue.h"
#include "platform/devices/CMMotionManager.h"

namespace qor {

class QORMotionArtifact : public QORSessionArtifact, public std::enable_shared_from_this<QORMotionArtifact> {
 public:
  static constexpr int64_t kType = 304;
  static constexpr double kSamplingInterval = 0.01;
  // Motion is a user acceleration (in g) strictly above these, on any axis.
  static constexpr float kHorizontalThreshold = 0.05f;
  static constexpr float kVerticalThreshold = 0.12f;

  // Starts sampling at once.
  static std::shared_ptr<QORMotionArtifact> create();
  ~QORMotionArtifact() override;

  bool hasDetectedMotion() const { return isMotionDetected_.load(); }
  // True from beginTrackingMotions until sampling stops.
  bool isTrackingMotions() const;

  void beginTrackingMotions();
  // Invalidates the timer and stops the motion updates; harmless when already stopped.
  void stopTrackingMotions() const;
  // One sample: marks motion and stops sampling when the latest sample exceeds a threshold.
  void checkMotions();

  // {"type": 304, "className": "SessionArtifact"}; building it stops sampling.
  std::optional<platform::Json> requestDictionary() const override;
  // 363, whatever the state.
  uint32_t getHashCode() const override { return 363; }

 protected:
  QORMotionArtifact();

 private:
  void setupMotionManager();
  void setupTimer();

  std::atomic<bool> isMotionDetected_{false};
  mutable std::mutex mutex_;  // guards the two below; never held while calling out
  mutable std::shared_ptr<platform::CMMotionManager> motionManager_;
  mutable std::shared_ptr<platform::Timer> timer_;
};

}  // namespace qor
