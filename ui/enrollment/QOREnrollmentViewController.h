// The enrollment screen: it hosts one enrollment run, starting the enrollment controller (known only
// through QOREnrollmentStartProtocol) and hearing its final status as the controller's delegate, and
// hands that status to the host app's completion exactly once. It runs visibly (presented; the run
// starts when it is about to appear and the screen closes itself at the end) or invisibly (never
// shown; it keeps itself alive while the run goes on).
//
// Rules that keep every run's result:
// - the controller is started only when no run of this screen is under way, so an appearance in
//   mid-run does not start it again (which would answer 60 in place of the real result);
// - while a run is under way the screen keeps itself alive, so a visible screen that someone else
//   dismisses still hears the status and calls the completion;
// - an invisible screen drops its reference to itself at every report;
// - a dismissal due while the screen is still being presented happens once it is shown.
//
// Made by the enrollment flow from the scene "QOREnrollmentViewController" of the storyboard
// "QOREnrollmentViewController". Main queue only (checked in Debug builds).
#pragma once

#include <functional>
#include <memory>

#include "common/actions/QORBaseClientActionControllerDelegate.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/ViewController.h"
#include "ui/DefaultQorUiExport.h"
#include "ui/data/QORAtomicValue.h"
#include "ui/data/QOREnrollmentInitData.h"
#include "ui/protocols/QOREnrollmentStartProtocol.h"
#include "platform/SequenceChecker.h"

namespace qor {

class QOR_UI_EXPORT QOREnrollmentViewController : public platform::ViewController, public QORBaseClientActionControllerDelegate {
 public:
  static constexpr const char* kClassName = "QOREnrollmentViewController";
  using Completion = std::function<void(QORStatus status)>;

  std::string className() const override;

  // The screen owns its controller.
  const std::shared_ptr<QOREnrollmentStartProtocol>& enrollmentController() const { return enrollmentController_; }
  void setEnrollmentController(std::shared_ptr<QOREnrollmentStartProtocol> controller) {
    enrollmentController_ = std::move(controller);
  }
  // Called once, with the first final status; cleared afterwards.
  const Completion& completion() const { return completion_; }
  void setCompletion(Completion completion) { completion_ = std::move(completion); }
  // Shown by the layout, if at all; the screen does not read it.
  std::shared_ptr<QOREnrollmentInitData> enrollmentInitData() const { return enrollmentInitData_.load(); }
  void setEnrollmentInitData(std::shared_ptr<QOREnrollmentInitData> data) { enrollmentInitData_.store(std::move(data)); }
  std::shared_ptr<platform::ActivityIndicatorView> activityIndicator() const { return activityIndicator_.lock(); }
  // The screen itself while it runs invisibly; nil otherwise.
  const std::shared_ptr<QOREnrollmentViewController>& strongSelf() const { return strongSelf_; }

  // Starts the run when none is under way.
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  // Keeps the screen alive and starts the run (when none is under way) without showing it.
  void startInvisibly();

  // The run's final status: a shown screen closes itself, without animation; then the completion,
  // once; then the screen lets go of itself.
  void clientActionControllerFinishedWithStatus(const std::shared_ptr<QORBaseClientActionController>& controller,
                                                QORStatus status) override;

  bool setOutlet(std::string_view name, const std::shared_ptr<platform::Responder>& object) override;

 private:
  std::shared_ptr<QOREnrollmentViewController> self();
  void startRunIfIdle();
  void dismissSelf();

  std::shared_ptr<QOREnrollmentStartProtocol> enrollmentController_;
  Completion completion_;
  QORAtomicValue<std::shared_ptr<QOREnrollmentInitData>> enrollmentInitData_;
  std::weak_ptr<platform::ActivityIndicatorView> activityIndicator_;
  std::shared_ptr<QOREnrollmentViewController> strongSelf_;
  // Held from a start to its report.
  std::shared_ptr<QOREnrollmentViewController> selfWhileRunning_;
  bool dismissWhenShown_ = false;

 private:
  QOR_MAIN_QUEUE_CHECKER(sequence_);
};

}  // namespace qor
