#include "sdk/presentation/UIManager.h"

#include <utility>

#include "platform/Queue.h"
#include "platform/ui/AlertController.h"
#include "sdk/presentation/UIWindowTopViewController.h"
#include "sdk/presentation/internal/PresentationSupport.h"
#include "ui/protocols/QORForceClosable.h"

namespace qor {

std::shared_ptr<UIManager> UIManager::create(std::shared_ptr<QORTheme> theme, std::optional<int64_t> sessionId,
                                             std::shared_ptr<KivApi> kivApiImpl,
                                             std::shared_ptr<ResourceProvider> resourceProvider,
                                             std::shared_ptr<platform::ViewController> loaderViewController,
                                             Completion completion) {
  auto manager = std::shared_ptr<UIManager>(new UIManager());
  // Whoever reports first reports: a presenter, the manager itself, or its release.
  auto report = std::make_shared<Completion>(std::move(completion));
  manager->report_ = report;
  Completion once = [report](bool cancelled, QORStatus status, std::shared_ptr<TransactionInfo> info) {
    if (auto app = std::exchange(*report, {})) app(cancelled, status, std::move(info));
  };
  manager->authController_ = QORAuthController::create(sessionId);
  if (kivApiImpl) {
    manager->flutter_ = KivCommunicator::create(sessionId, manager->authController_, std::move(kivApiImpl),
                                                [once](bool cancelled, QORStatus status) { once(cancelled, status, nullptr); });
  }
  manager->native_ = QORAuthViewController::controllerWithTheme(std::move(theme), sessionId, manager->authController_,
                                                               std::move(resourceProvider),
                                                               std::move(loaderViewController), once);
  if (!manager->native_) manager->completion_ = once;
  manager->authController_->setDelegate(std::weak_ptr<UIManager>(manager));
  return manager;
}

UIManager::~UIManager() {
  // A destructor only releases: ending a run that is still under way is `supersede`'s job.
  QOR_DCHECK(!started_ || finished_ || superseded_);
}

void UIManager::supersede() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (std::exchange(superseded_, true)) return;
  const auto controller = authController_;
  const bool bridged = isBridged();
  // The host sends the user's decision once it is off screen; that decision still counts.
  const bool hostDecided = !bridged && native_ && native_->isDecisionPending();
  const bool committing = controller && controller->started() && (!controller->isPaused() || hostDecided);
  if (controller && controller->isPaused() && !hostDecided) controller->endWithoutDecision();
  // A decision already on its way still reaches the app: the presenter that sent it hears the rest.
  bool handedOver = false;
  if (flutter_) {
    if (committing && bridged && flutter_->isDecisionSent()) {
      controller->setDelegate(std::weak_ptr<KivCommunicator>(flutter_));
      handedOver = true;
    } else {
      flutter_->terminate();
    }
  }
  if (native_) {
    if (committing && !bridged && native_->isDismised()) {
      controller->setDelegate(std::weak_ptr<QORAuthViewController>(native_));
      handedOver = true;
    } else if (!native_->isDismised()) {
      native_->abandon();
    }
  }
  // A run that nobody will finish any more still tells the app how it ended: with the flag its
  // presenter would have given and a failure status, later on the main queue, unless it has already
  // reported.
  if (!handedOver && report_ && *report_) {
    const bool cancelled = bridged ? !flutter_->isApproveWasRequested() : native_ && native_->isCancelled();
    platform::MainQueue::shared()->post([report = report_, cancelled] {
      if (auto app = std::exchange(*report, {})) app(cancelled, QORStatusInternalCommonError, nullptr);
    });
  }
  // Nothing of the run reaches this manager any more.
  if (controller && controller->delegate().lock().get() == static_cast<QORBaseClientActionControllerDelegate*>(this)) {
    controller->setDelegate({});
  }
}

void UIManager::start() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  started_ = true;
  // The controller may report before start returns.
  const auto keep = shared_from_this();
  if (auto controller = authController_) controller->start();
}

bool UIManager::isBridged() const { return flutter_ && authController_ && authController_->isFlutter(); }

void UIManager::authControllerFinishedAuthPrepare(const std::shared_ptr<QORBaseClientActionController>& controller,
                                                  int32_t status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  const auto keep = shared_from_this();
  if (isBridged()) {
    flutter_->authControllerFinishedAuthPrepare(controller, status);
    return;
  }
  if (!native_) {
    // Nothing can show the transaction.
    if (authController_) authController_->endWithoutDecision();
    if (auto completion = std::exchange(completion_, {})) completion(false, QORStatusInternalCommonError, nullptr);
    return;
  }
  presentController(native_, kHostPresentationDelay);
  native_->authControllerFinishedAuthPrepare(controller, status);
}

void UIManager::clientActionControllerFinishedWithStatus(const std::shared_ptr<QORBaseClientActionController>& controller,
                                                         QORStatus status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  finished_ = true;
  const auto keep = shared_from_this();
  if (isBridged()) {
    flutter_->clientActionControllerFinishedWithStatus(controller, status);
    if (auto host = std::exchange(native_, nullptr)) host->abandon();
    return;
  }
  if (native_) {
    native_->clientActionControllerFinishedWithStatus(controller, status);
  } else if (auto completion = std::exchange(completion_, {})) {
    completion(false, status, nullptr);
  }
  if (auto bridge = std::exchange(flutter_, nullptr)) bridge->terminate();
}

void UIManager::presentController(const std::shared_ptr<platform::ViewController>& controller, float delay) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  std::weak_ptr<platform::ViewController> target = controller;
  platform::MainQueue::shared()->postAfterFor(platform::seconds(delay), weak_from_this(),
                                              [target](const std::shared_ptr<UIManager>& manager) {
                                                manager->tryToPresent(target);
                                              });
}

void UIManager::tryToPresent(const std::weak_ptr<platform::ViewController>& target) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (superseded_) return;
  auto controller = target.lock();
  if (!controller || controller->presentingViewController()) return;
  if (auto host = std::dynamic_pointer_cast<QORAuthViewController>(controller); host && host->isDismised()) return;
  auto top = topViewController();
  auto presenting = top ? top->presentingViewController() : nullptr;
  bool presented = false;
  if (isForceClosable(top) || isForceClosable(presenting)) {
    performForceClose();
  } else if (std::dynamic_pointer_cast<platform::AlertController>(top)) {
    if (presenting) presenting->dismissViewControllerAnimated(false);
  } else if (std::dynamic_pointer_cast<QORAuthViewController>(top) ||
             std::dynamic_pointer_cast<QORAuthViewController>(presenting)) {
    // Another authorization is still on screen: wait for it.
  } else {
    presented = internal::presentIfAccepted(top, controller, false);
  }
  if (presented) return;
  platform::MainQueue::shared()->postAfterFor(internal::kPresentationRetryDelay, weak_from_this(),
                                              [target](const std::shared_ptr<UIManager>& manager) {
                                                manager->tryToPresent(target);
                                              });
}

bool UIManager::isForceClosable(const std::shared_ptr<platform::ViewController>& controller) {
  QOR_DCHECK_ON_MAIN_QUEUE();
  return std::dynamic_pointer_cast<QORForceClosable>(controller) != nullptr;
}

void UIManager::performForceClose() {
  QOR_DCHECK_ON_MAIN_QUEUE();
  auto top = topViewController();
  auto presenting = top ? top->presentingViewController() : nullptr;
  auto target = isForceClosable(presenting) ? presenting : top;
  if (auto closable = std::dynamic_pointer_cast<QORForceClosable>(target)) closable->forceClose();
}

}  // namespace qor
