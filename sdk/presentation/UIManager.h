// One authorization on screen: the manager makes the authorization controller and its two
// presenters, the native host (QORAuthViewController) and, when the host app configured a
// cross-platform UI module, the bridge (KivCommunicator), and stays the controller's delegate. When
// the run pauses it hands the transaction to the bridge when the prepare answer asks for the
// cross-platform screens and a bridge exists, else it brings the native host on screen (0.01 s
// later, over whatever the app shows, closing or waiting out what is in the way, every 0.1 s until
// it gets through) and lets the host show the screen. The final status goes to the presenter that
// showed the run; the other one is released then.
//
// The facade keeps the manager until the next authorization replaces it, and then calls `supersede`:
// a run still paused takes no decision any more (motion sampling stops), unless the user has already
// decided: then the presenter that took the decision sends it and reports the final status.
// Otherwise a run that has not reported yet completes on a later main-queue turn with the cancelled
// flag its presenter holds (the bridge: no approval asked for) and 44; nothing more reaches the app.
// Letting the manager go only releases it: a started run must have ended or been superseded.
//
// Main queue only (checked in Debug builds). Holds the controller and both presenters strongly; the
// controller holds the manager weakly as its delegate; delayed steps hold the manager weakly.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "KivAbstractCore/KivApi.h"
#include "common/theme/QORTheme.h"
#include "platform/SequenceChecker.h"
#include "platform/ui/ViewController.h"
#include "sdk/authorization/QORAuthController.h"
#include "sdk/authorization/QORAuthControllerDelegate.h"
#include "sdk/bridge/KivCommunicator.h"
#include "sdk/presentation/QORAuthViewController.h"
#include "sdk/resources/ResourceProvider.h"

namespace qor {

class UIManager : public QORAuthControllerDelegate, public std::enable_shared_from_this<UIManager> {
 public:
  using Completion = QORAuthViewController::Completion;

  static constexpr float kHostPresentationDelay = 0.01f;

  // The controller for the session, the bridge (only with a module; its completion passes no
  // summary) and the host; the manager is the controller's delegate. Nothing runs until `start`.
  static std::shared_ptr<UIManager> create(std::shared_ptr<QORTheme> theme, std::optional<int64_t> sessionId,
                                           std::shared_ptr<KivApi> kivApiImpl,
                                           std::shared_ptr<ResourceProvider> resourceProvider,
                                           std::shared_ptr<platform::ViewController> loaderViewController,
                                           Completion completion);
  ~UIManager() override;

  // Starts the controller.
  void start();
  // A new authorization replaces this one: ends the run as described above. Idempotent.
  void supersede();

  const std::shared_ptr<QORAuthController>& authController() const { return authController_; }
  // The bridge, until the run ends natively.
  const std::shared_ptr<KivCommunicator>& flutter() const { return flutter_; }
  // The native host, until the run ends through the bridge.
  const std::shared_ptr<QORAuthViewController>& native() const { return native_; }

  // QORAuthControllerDelegate.
  void authControllerFinishedAuthPrepare(const std::shared_ptr<QORBaseClientActionController>& controller,
                                         int32_t status) override;
  void clientActionControllerFinishedWithStatus(const std::shared_ptr<QORBaseClientActionController>& controller,
                                                QORStatus status) override;

  // After `delay` seconds, `controller` is presented, not animated, over the top view controller:
  // a force-closable screen on top (or presenting the top) is told to close, an alert on top is
  // dismissed, another authorization host on top (or presenting the top) is waited out, and a
  // refused presentation is tried again, each 0.1 s later, until it gets through. Given up once the
  // controller or the manager is gone, or the host has finished.
  void presentController(const std::shared_ptr<platform::ViewController>& controller, float delay);
  static bool isForceClosable(const std::shared_ptr<platform::ViewController>& controller);
  // `forceClose` to the top view controller, or to its presenter when that one is force-closable.
  static void performForceClose();

 private:
  UIManager() = default;
  // The run shows through the bridge.
  bool isBridged() const;
  void tryToPresent(const std::weak_ptr<platform::ViewController>& target);

  std::shared_ptr<QORAuthController> authController_;
  std::shared_ptr<KivCommunicator> flutter_;
  std::shared_ptr<QORAuthViewController> native_;
  // Only for a host that could not be made: the manager then reports itself.
  Completion completion_;
  // The app's completion until somebody calls it; shared with the presenters' once-only wrappers.
  std::shared_ptr<Completion> report_;
  bool started_ = false;
  bool finished_ = false;  // the final status has been handed on
  bool superseded_ = false;
  QOR_MAIN_QUEUE_CHECKER(sequence_);
};

}  // namespace qor
