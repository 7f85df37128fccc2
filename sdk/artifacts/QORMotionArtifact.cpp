#include "sdk/artifacts/QORMotionArtifact.h"

#include <cmath>

#include "sdk/artifacts/internal/RecordDictionary.h"

namespace qor {

std::shared_ptr<QORMotionArtifact> QORMotionArtifact::create() {
  std::shared_ptr<QORMotionArtifact> record(new QORMotionArtifact());
  record->beginTrackingMotions();
  return record;
}

QORMotionArtifact::QORMotionArtifact() : QORSessionArtifact(kType) {}

// A repeating timer goes on until invalidated, so a record that goes away must stop it.
QORMotionArtifact::~QORMotionArtifact() { stopTrackingMotions(); }

bool QORMotionArtifact::isTrackingMotions() const {
  std::lock_guard lock(mutex_);
  return timer_ != nullptr;
}

void QORMotionArtifact::beginTrackingMotions() {
  if (hasDetectedMotion() || isTrackingMotions()) return;
  setupMotionManager();
  setupTimer();
}

void QORMotionArtifact::setupMotionManager() {
  auto manager = std::make_shared<platform::CMMotionManager>();
  manager->setDeviceMotionUpdateInterval(kSamplingInterval);
  manager->startDeviceMotionUpdates();
  std::lock_guard lock(mutex_);
  motionManager_ = std::move(manager);
}

void QORMotionArtifact::setupTimer() {
  std::weak_ptr<QORMotionArtifact> weakSelf = weak_from_this();
  auto timer = platform::MainQueue::shared()->scheduleRepeating(platform::seconds(kSamplingInterval), [weakSelf] {
    if (auto self = weakSelf.lock()) self->checkMotions();
  });
  std::lock_guard lock(mutex_);
  timer_ = std::move(timer);
}

void QORMotionArtifact::stopTrackingMotions() const {
  std::shared_ptr<platform::Timer> timer;
  std::shared_ptr<platform::CMMotionManager> manager;
  {
    std::lock_guard lock(mutex_);
    timer = std::exchange(timer_, nullptr);
    manager = std::exchange(motionManager_, nullptr);
  }
  if (timer) timer->invalidate();
  if (manager) manager->stopDeviceMotionUpdates();
}

void QORMotionArtifact::checkMotions() {
  std::optional<platform::CMDeviceMotion> motion;
  {
    std::lock_guard lock(mutex_);
    if (!motionManager_) return;
    motion = motionManager_->deviceMotion();
  }
  const platform::CMAcceleration a = motion ? motion->userAcceleration : platform::CMAcceleration{};
  const bool moved = std::fabs(static_cast<float>(a.x)) > kHorizontalThreshold ||
                     std::fabs(static_cast<float>(a.y)) > kHorizontalThreshold ||
                     std::fabs(static_cast<float>(a.z)) > kVerticalThreshold;
  if (!moved) return;
  isMotionDetected_.store(true);
  stopTrackingMotions();
}

std::optional<platform::Json> QORMotionArtifact::requestDictionary() const {
  stopTrackingMotions();
  return internal::recordDictionary(*this, dictionaryValueArtifactsSession);
}

}  // namespace qor
