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
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return deviceInfoAction_;
}

QORDeviceInfoController::Records QORDeviceInfoController::artifacts() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return artifacts_;
}

void QORDeviceInfoController::start() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  std::weak_ptr<QORDeviceInfoController> weak = self();
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
    // Hand-off: the run goes on on the queue of the settings' reply (or stays, when nothing was asked).
    QOR_DETACH_FROM_SEQUENCE(self->sequence_);
    data.isApnsAvailable = apnsEnabled;
    self->artifacts_ = {QORDeviceInfoArtifact::create(data)};
    then();
  };
  if (strongSelf_) {
    QORDeviceInfoProvider::isApnsEnabled(std::move(withApns));
  } else {
    withApns(false);
  }
}

QORDeviceInfoController::Actions QORDeviceInfoController::createActions() {
  auto action = QORDeviceInfoAction::create(artifacts());
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  action->setDelegate(self());
  deviceInfoAction_ = action;
  return {action};
}

void QORDeviceInfoController::clientActionFinishedWithStatus(const std::shared_ptr<QORBaseClientAction>&,
                                                             QORStatus status) {
  // The answer hands the run over to the main queue; a request that could not be built reports at
  // once, on the settings queue.
  QOR_REBIND_IF_ON_MAIN_QUEUE(sequence_);
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto main = platform::MainQueue::shared();
  if (main->isCurrent()) {
    finishReport(status);
    return;
  }
  // A request that could not be built reports at once, on the settings queue; the host app is
  // promised the main queue.
  main->postFor(std::weak_ptr<QORDeviceInfoController>(self()),
                [status](const std::shared_ptr<QORDeviceInfoController>& controller) {
                  QOR_REBIND_IF_ON_MAIN_QUEUE(controller->sequence_);
                  controller->finishReport(status);
                });
}

void QORDeviceInfoController::finishReport(QORStatus status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  Completion completion = std::exchange(completion_, {});
  std::shared_ptr<QORDeviceInfoController> keptAlive = std::exchange(strongSelf_, nullptr);
  if (completion) completion(status);
  // `keptAlive` goes last, after the completion has run.
}

}  // namespace qor
