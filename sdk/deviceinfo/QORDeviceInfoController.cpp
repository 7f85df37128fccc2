#include "sdk/deviceinfo/QORDeviceInfoController.h"

#include "platform/Queue.h"
#include "sdk/deviceinfo/QORDeviceInfoArtifact.h"
#include "sdk/deviceinfo/QORDeviceInfoProvider.h"

namespace qor {

std::shared_ptr<QORDeviceInfoController> QORDeviceInfoController::create(Completion completion) {
  auto controller = std::shared_ptr<QORDeviceInfoController>(new QORDeviceInfoController(std::move(completion)));
  controller->strongSelf_ = controller;
  return controller;
}

std::shared_ptr<QORDeviceInfoController> QORDeviceInfoController::self() {
  return std::static_pointer_cast<QORDeviceInfoController>(shared_from_this());
}

std::shared_ptr<QORDeviceInfoAction> QORDeviceInfoController::deviceInfoAction() const {
  std::lock_guard lock(mutex_);
  return deviceInfoAction_;
}

QORDeviceInfoController::Records QORDeviceInfoController::artifacts() const {
  std::lock_guard lock(mutex_);
  return artifacts_;
}

void QORDeviceInfoController::start() {
  std::weak_ptr<QORBaseClientActionController> weak = shared_from_this();
  fetchArtifacts([weak] {
    if (auto self = weak.lock()) self->QORBaseClientActionController::start();
  });
}

void QORDeviceInfoController::fetchArtifacts(std::function<void()> then) {
  QORDeviceArtifactInitData data;
  data.isApnsStatusNeeded = true;
  data.isBiometryStatusNeeded = true;
  data.isBiometryAvailable = QORDeviceInfoProvider::isTouchIDAvailable() || QORDeviceInfoProvider::isFaceIDAvailable();
  std::weak_ptr<QORDeviceInfoController> weak = self();
  auto withApns = [weak, data, then = std::move(then)](bool apnsEnabled) mutable {
    auto self = weak.lock();
    if (!self) return;
    data.isApnsAvailable = apnsEnabled;
    {
      std::lock_guard lock(self->mutex_);
      self->artifacts_ = {QORDeviceInfoArtifact::create(data)};
    }
    then();
  };
  bool keptAlive;
  {
    std::lock_guard lock(mutex_);
    keptAlive = strongSelf_ != nullptr;
  }
  if (keptAlive) {
    QORDeviceInfoProvider::isApnsEnabled(std::move(withApns));
  } else {
    withApns(false);
  }
}

QORDeviceInfoController::Actions QORDeviceInfoController::createActions() {
  auto action = QORDeviceInfoAction::create(artifacts());
  action->setDelegate(self());
  {
    std::lock_guard lock(mutex_);
    deviceInfoAction_ = action;
  }
  return {action};
}

void QORDeviceInfoController::clientActionFinishedWithStatus(const std::shared_ptr<QORBaseClientAction>&,
                                                             QORStatus status) {
  auto main = platform::MainQueue::shared();
  if (main->isCurrent()) {
    finishReport(status);
    return;
  }
  // A request that could not be built reports at once, on the settings queue; the host app is
  // promised the main queue.
  main->postFor(
      std::weak_ptr<QORDeviceInfoController>(self()),
      [status](const std::shared_ptr<QORDeviceInfoController>& controller) { controller->finishReport(status); });
}

void QORDeviceInfoController::finishReport(QORStatus status) {
  Completion completion;
  std::shared_ptr<QORDeviceInfoController> keptAlive;
  {
    std::lock_guard lock(mutex_);
    completion = std::exchange(completion_, {});
    keptAlive = std::exchange(strongSelf_, nullptr);
  }
  if (completion) completion(status);
  // `keptAlive` goes last, after the completion has run.
}

}  // namespace qor
