#include "ui/enrollment/QOREnrollmentViewController.h"

#include <utility>

namespace qor {

std::string QOREnrollmentViewController::className() const { return kClassName; }

std::shared_ptr<QOREnrollmentViewController> QOREnrollmentViewController::self() {
  return std::static_pointer_cast<QOREnrollmentViewController>(shared_from_this());
}

void QOREnrollmentViewController::viewWillAppear(bool animated) {
  platform::ViewController::viewWillAppear(animated);
  startRunIfIdle();
}

void QOREnrollmentViewController::viewDidAppear(bool animated) {
  platform::ViewController::viewDidAppear(animated);
  if (std::exchange(dismissWhenShown_, false)) dismissSelf();
}

void QOREnrollmentViewController::startInvisibly() {
  strongSelf_ = self();
  startRunIfIdle();
}

void QOREnrollmentViewController::startRunIfIdle() {
  if (selfWhileRunning_ || !enrollmentController_) return;
  selfWhileRunning_ = self();
  // The controller may report before start returns.
  auto controller = enrollmentController_;
  controller->start();
}

void QOREnrollmentViewController::clientActionControllerFinishedWithStatus(
    const std::shared_ptr<QORBaseClientActionController>&, QORStatus status) {
  const auto keepAlive = self();
  if (!strongSelf_) dismissSelf();
  if (auto completion = std::exchange(completion_, {})) completion(status);
  strongSelf_.reset();
  selfWhileRunning_.reset();
}

void QOREnrollmentViewController::dismissSelf() {
  // A dismissal asked for during the presentation would be refused by the platform and lost.
  if (isBeingPresented()) {
    dismissWhenShown_ = true;
    return;
  }
  if (presentingViewController() && !isBeingDismissed()) dismissViewControllerAnimated(false);
}

bool QOREnrollmentViewController::setOutlet(std::string_view name, const std::shared_ptr<platform::Responder>& object) {
  return bindOutlet(name, object, "activityIndicator", activityIndicator_) ||
         platform::ViewController::setOutlet(name, object);
}

}  // namespace qor
