// The device-information report: gathers whether biometrics can be used and whether notification
// alerts are allowed, wraps both in one record and sends it with one action (109) over HTTPS; the
// completion hears the action's status, always on the main queue.
//
// Keeps itself alive from its creation until its completion has run; nothing else need hold it.
// Bound on first use (checked in Debug builds) and handed over explicitly: `start` on the caller's
// queue; the facts, the request and its hand-over to the transport on the queue on which the
// platform delivers the notification settings; the answer and the completion on the main queue.
// Each step is posted to the next queue, so no lock is needed.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "common/actions/QORBaseClientActionController.h"
#include "sdk/deviceinfo/QORDeviceInfoAction.h"

namespace qor {

class QORDeviceInfoController : public QORBaseClientActionController {
 public:
  using Completion = std::function<void(QORStatus status)>;
  using Records = std::vector<std::shared_ptr<QORSessionArtifact>>;

  // initWithCompletionHandler:
  static std::shared_ptr<QORDeviceInfoController> create(Completion completion);

  std::shared_ptr<QORDeviceInfoAction> deviceInfoAction() const;
  Records artifacts() const;

  // Gathers the facts, then runs the base `start` on the settings queue.
  void start() override;
  // One device-information action with the record; the controller is its delegate only.
  Actions createActions() override;
  // Runs the completion with the status on the main queue (hopping there when the request could not
  // be built), then lets the controller go. The base's final report is not used.
  void clientActionFinishedWithStatus(const std::shared_ptr<QORBaseClientAction>& action, QORStatus status) override;

 protected:
  explicit QORDeviceInfoController(Completion completion)
      : QORBaseClientActionController(BoundOnFirstUse{}), completion_(std::move(completion)) {}

 private:
  // Makes the record and hands over to `then`; asks the platform for the notification settings only
  // while the controller keeps itself alive (otherwise alerts count as off).
  void fetchArtifacts(std::function<void()> then);
  void finishReport(QORStatus status);
  std::shared_ptr<QORDeviceInfoController> self();

  std::shared_ptr<QORDeviceInfoAction> deviceInfoAction_;
  std::shared_ptr<QORDeviceInfoController> strongSelf_;
  Completion completion_;
  Records artifacts_;
};

}  // namespace qor
