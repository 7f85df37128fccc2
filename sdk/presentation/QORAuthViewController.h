// The native host of one authorization. It is made with the authorization controller before the run
// starts and stays off screen while the controller talks to the server. When the run pauses for the
// user, its manager presents it; once it is on screen it shows the app's loader (when given) and,
// 0.3 s later with a loader or 0.01 s without, the PIN, biometric or confirm screen that the
// transaction's chain type and the device's biometry ask for. The screens' reports become the
// decision (`commitAuth` / `cancelAuth` on the controller) after the host and everything above it
// are dismissed; a screen timeout ends the run without a commit and reports 40. The app's completion
// runs once: with the final status after a decision, at a timeout, or at a failure before the
// screens; it gets the cancelled flag, the status and a summary of the transaction (none for 64).
//
// The host keeps itself alive (`strongSelf`) from its creation until it has finished: it lets go 8 s
// after a decision, 1 s after a timeout or a final status that finds it unfinished, and at once when
// its run ends elsewhere (`abandon`). A run it ends without a decision stops there: no decision is
// taken later and motion sampling stops.
//
// Presentations and dismissals that the platform refuses (another transition under way) are tried
// again every 0.1 s while the host is unfinished and on screen, so no step of the run is lost.
//
// Made from the host scene "QORAuthViewController" of the native-screens storyboard of that name.
// Main queue only (checked in Debug builds). Holds its controller, theme, provider and loader
// strongly; the screens hold it weakly as their delegate.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/actions/QORStatus.h"
#include "common/theme/QORTheme.h"
#include "platform/SequenceChecker.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/ViewController.h"
#include "sdk/TransactionInfo.h"
#include "sdk/authorization/QORAuthController.h"
#include "sdk/authorization/QORAuthControllerDelegate.h"
#include "sdk/resources/ResourceProvider.h"
#include "ui/data/QORAuthData.h"
#include "ui/data/QORPayment.h"
#include "ui/protocols/QORBiometricAuthViewControllerDelegate.h"
#include "ui/protocols/QORCommitAuthViewControllerDelegate.h"
#include "ui/protocols/QORPinViewControllerDelegate.h"

namespace qor {

class QORSessionArtifact;

class QORAuthViewController : public platform::ViewController,
                              public QORCommitAuthViewControllerDelegate,
                              public QORPinViewControllerDelegate,
                              public QORBiometricAuthViewControllerDelegate,
                              public QORAuthControllerDelegate {
 public:
  static constexpr const char* kClassName = "QORAuthViewController";
  using Completion = std::function<void(bool cancelled, QORStatus status, std::shared_ptr<TransactionInfo> info)>;

  // Delays, in seconds.
  static constexpr double kScreenDelayWithLoader = 0.3;
  static constexpr double kScreenDelay = 0.01;
  static constexpr double kReleaseAfterDecision = 8;
  static constexpr double kReleaseAfterEnd = 1;

  // A new host from its scene, keeping itself alive; nullptr (logged) when the scene cannot be made.
  // Without a provider it uses a new DefaultResourceProvider.
  static std::shared_ptr<QORAuthViewController> controllerWithTheme(
      std::shared_ptr<QORTheme> theme, std::optional<int64_t> sessionId, std::shared_ptr<QORAuthController> authController,
      std::shared_ptr<ResourceProvider> resourceProvider, std::shared_ptr<platform::ViewController> loaderViewController,
      Completion completion);

  std::string className() const override;

  std::shared_ptr<platform::ActivityIndicatorView> activityIndicator() const { return activityIndicator_.lock(); }
  const std::shared_ptr<QORAuthController>& authController() const { return authController_; }
  std::optional<int64_t> sessionId() const { return sessionId_; }
  const std::shared_ptr<QORTheme>& theme() const { return theme_; }
  const std::shared_ptr<ResourceProvider>& resourceProvider() const { return resourceProvider_; }
  const std::shared_ptr<platform::ViewController>& loaderViewController() const { return loaderViewController_; }
  // The user declined or a screen timed out.
  bool isCancelled() const;
  bool hasTimeoutError() const;
  // The loader is given and has not been shown yet.
  bool isPresentingLoaderNeed() const;
  // The host has finished (decision, timeout, final status or abandoned); nothing else happens then.
  bool isDismised() const;
  // The host still holds itself (it lets go after its fixed delay, or when abandoned).
  bool isKeepingItselfAlive() const;
  // The user has decided and the host is on its way off screen; the decision goes to the controller
  // once it is.
  bool isDecisionPending() const;

  // Theme colours for the background and the spinner; without a background colour, the key
  // window's tint colour.
  void viewDidLoad() override;
  // A host made without a controller makes one for its session and starts it.
  void viewWillAppear(bool animated) override;
  // On screen: the loader, then the screen when the run has paused for it.
  void viewDidAppear(bool animated) override;

  // QORAuthControllerDelegate. A pause with a status other than 1 counts as a final status.
  void authControllerFinishedAuthPrepare(const std::shared_ptr<QORBaseClientActionController>& controller,
                                         int32_t status) override;
  void clientActionControllerFinishedWithStatus(const std::shared_ptr<QORBaseClientActionController>& controller,
                                                QORStatus status) override;

  // The screens' reports.
  void commitAuthViewControllerConfirmed(const std::shared_ptr<QORCommitAuthViewController>& screen) override;
  void commitAuthViewControllerCancelled(const std::shared_ptr<QORCommitAuthViewController>& screen,
                                         bool isTimeoutError) override;
  void authComplete(const std::string& pin) override;
  void authCancelWithTimeoutError(bool timeout) override;
  void biometricAuthViewControllerConfirmedWithType(const std::string& type) override;
  void biometricAuthViewControllerCancelledWithTimeout(bool timeout) override;
  // The controller counts the answer as a PIN answer; a PIN screen made as a fallback follows.
  void fallbackToPin() override;

  // The user approved with `value`, or declined (or the screen timed out, with hasTimeoutError).
  void commitAuth(const std::string& value);
  void cancelAuth();

  // The screen data and the transaction summary, from the controller's transaction and the provider.
  std::shared_ptr<QORAuthData> fetchUiData(const std::shared_ptr<QORAuthController>& controller) const;
  static std::shared_ptr<TransactionInfo> fetchTransactionInfo(const std::shared_ptr<QORAuthController>& controller);
  // 2 PIN, 3 biometric, 4 set PIN, 1 for any other chain.
  static int64_t fetchAuthMethod(const std::shared_ptr<QORAuthController>& controller);
  static std::vector<std::shared_ptr<QORPayment>> fetchPayments(const std::shared_ptr<QORAuthController>& controller);
  // The screen for the transaction (its delegate is the host); nullptr when it cannot be made.
  std::shared_ptr<platform::ViewController> controllerForPresenting(const std::shared_ptr<QORAuthController>& controller);
  // 0.3 s with a loader, 0.01 s without.
  double timeForPresentingDelay() const;

  // After the delay, the controller on top of the host presents `controller`; the step holds the
  // host weakly and is dropped once the host has finished.
  void presentViewControllerWithDelay(const std::shared_ptr<platform::ViewController>& controller, bool animated,
                                      double delay);
  // The app's completion, once: (isCancelled, status, summary; nil for 64).
  void executeCompletion(QORStatus status);
  // An alert record when an alert is on top, then an overlay record when no screen of the system is.
  void addWindowArtifactsIfNeed();
  void addAlertArtifactIfNeed();
  void addOverlayArtifactIfNeed();
  void addArtifact(std::shared_ptr<QORSessionArtifact> artifact);

  // The run went on without this host (the bridge showed it, or the manager went away): it finishes
  // without a report and lets go of itself at once.
  void abandon();

  bool setOutlet(std::string_view name, const std::shared_ptr<platform::Responder>& object) override;

 private:
  // Where the host is in its one run. Finishing states come last: every state from `approving` on
  // counts as finished.
  enum class State {
    offScreen,    // made; the controller talks to the server
    onScreen,     // the host's own presentation has ended; the run has not paused yet
    screenDue,    // the run paused for the user while the host is not on screen yet
    screenShown,  // the screen for the transaction is scheduled or on screen
    approving,    // the user approved; the host is on its way off screen
    declining,    // the user declined; likewise
    approved,     // the approval went to the controller
    declined,     // the decline went to the controller
    expired,      // a screen timed out: no decision
    ended,        // the run ended without a decision (final status, no screen, abandoned)
  };

  std::shared_ptr<QORAuthViewController> self();
  // After the delay the host lets go of itself (the step holds it weakly).
  void freeSelfWithDelay(double delay);
  // The screen of the paused run, now that the host is on screen.
  void showScreen();
  // The user declined, or a screen timed out.
  void decline(bool timeout);
  // The decision after the host is dismissed, then the release 8 s later.
  void finishAuthAsCancelled(bool cancelled, const std::string& userAnswer);
  // Timeout: no decision; the completion with 40 after the dismissal.
  void finishAuthAsExpired();
  // The run ends here without a decision (`expired` or `ended`), reporting `status` once the host is
  // off screen.
  void finishWithoutDecision(QORStatus status, State state);
  void presentLoaderIfNeed();
  void presentOnTop(const std::shared_ptr<platform::ViewController>& controller, bool animated);

  std::weak_ptr<platform::ActivityIndicatorView> activityIndicator_;
  std::shared_ptr<QORAuthController> authController_;
  std::optional<int64_t> sessionId_;
  Completion completion_;
  std::shared_ptr<QORTheme> theme_;
  std::shared_ptr<ResourceProvider> resourceProvider_;
  std::shared_ptr<platform::ViewController> loaderViewController_;
  State state_ = State::offScreen;
  std::shared_ptr<QORAuthViewController> strongSelf_;
  QOR_MAIN_QUEUE_CHECKER(sequence_);
};

}  // namespace qor
