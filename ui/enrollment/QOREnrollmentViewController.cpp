#include "ui/enrollment/QOREnrollmentViewController.h"

#include <utility>

namespace qor {

std::string QOREnrollmentViewController::className() const { return kClassName; }

std::shared_ptr<QOREnrollmentViewController> QOREnrollmentViewController::self() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return std::static_pointer_cast<QOREnrollmentViewController>(shared_from_this());
}

void QOREnrollmentViewController::viewWillAppear(bool animated) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  platform::ViewController::viewWillAppear(animated);
  startRunIfIdle();
}

void QOREnrollmentViewController::viewDidAppear(bool animated) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  platform::ViewController::viewDidAppear(animated);
  if (std::exchange(dismissWhenShown_, false)) dismissSelf();
}

void QOREnrollmentViewController::startInvisibly() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  strongSelf_ = self();
  startRunIfIdle();
}

void QOREnrollmentViewController::startRunIfIdle() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (selfWhileRunning_ || !enrollmentController_) return;
  selfWhileRunning_ = self();
  // The controller may report before start returns.
  auto controller = enrollmentController_;
  controller->start();
}

void QOREnrollmentViewController::clientActionControllerFinishedWithStatus(
    const std::shared_ptr<QORBaseClientActionController>&, QORStatus status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  const auto keepAlive = self();
  if (!strongSelf_) dismissSelf();
  if (auto completion = std::exchange(completion_, {})) completion(status);
  strongSelf_.reset();
  selfWhileRunning_.reset();
}

void QOREnrollmentViewController::dismissSelf() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  // A dismissal asked for during the presentation would be refused by the platform and lost.
  if (isBeingPresented()) {
    dismissWhenShown_ = true;
    return;
  }
  if (presentingViewController() && !isBeingDismissed()) dismissViewControllerAnimated(false);
}

bool QOREnrollmentViewController::setOutlet(std::string_view name, const std::shared_ptr<platform::Responder>& object) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return bindOutlet(name, object, "activityIndicator", activityIndicator_) ||
         platform::ViewController::setOutlet(name, object);
}

}  // namespace qor
