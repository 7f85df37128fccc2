#include "sdk/presentation/QORAuthViewController.h"

#include <charconv>
#include <utility>

#include "common/request/DictionaryQOR.h"
#include "common/theme/QORThemeKeys.h"
#include "platform/Queue.h"
#include "platform/SystemLog.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "sdk/QORConstants.h"
#include "sdk/artifacts/QOROverlayAlertWindowArtifact.h"
#include "sdk/artifacts/QOROverlayWindowArtifact.h"
#include "sdk/presentation/QORPresentationClasses.h"
#include "sdk/presentation/UIWindowTopViewController.h"
#include "sdk/presentation/internal/PresentationSupport.h"
#include "sdk/resources/DefaultResourceProvider.h"
#include "ui/biometric/QORBiometricAuthViewController.h"
#include "ui/confirm/QORCommitAuthViewController.h"
#include "ui/pin/QORPinViewController.h"
#include "ui/resources/QORNativeScreens.h"

namespace qor {
namespace {

using platform::Json;

Json guiDataOf(const std::shared_ptr<QORAuthController>& controller) {
  if (controller && controller->guiData() && controller->guiData()->is_object()) return *controller->guiData();
  return Json::object();
}

// A number's value, or the leading decimal number of a text (0 when it has none), as the platform
// reads a double out of either.
double doubleValue(const Json* value) {
  if (!value) return 0;
  if (value->is_number()) return value->get<double>();
  if (value->is_boolean()) return value->get<bool>() ? 1 : 0;
  if (!value->is_string()) return 0;
  const auto& text = value->get_ref<const std::string&>();
  const char* begin = text.data();
  const char* end = begin + text.size();
  while (begin != end && (*begin == ' ' || *begin == '\t' || *begin == '\n')) ++begin;
  if (begin != end && *begin == '+') ++begin;
  double result = 0;
  if (std::from_chars(begin, end, result).ec != std::errc()) return 0;
  return result;
}

platform::AttributedString plainText(const Json& gui, const char* key) {
  return platform::AttributedString(platform::stringMember(gui, key).value_or(std::string()));
}

}  // namespace

std::shared_ptr<QORAuthViewController> QORAuthViewController::controllerWithTheme(
    std::shared_ptr<QORTheme> theme, std::optional<int64_t> sessionId, std::shared_ptr<QORAuthController> authController,
    std::shared_ptr<ResourceProvider> resourceProvider, std::shared_ptr<platform::ViewController> loaderViewController,
    Completion completion) {
  registerQORPresentationClasses();
  auto host = std::dynamic_pointer_cast<QORAuthViewController>(instantiateNativeScreen(kQORAuthStoryboardName, kClassName));
  if (!host) {
    platform::systemLog("The authorization host could not be made from its scene");
    return nullptr;
  }
  host->sessionId_ = sessionId;
  host->authController_ = std::move(authController);
  host->completion_ = std::move(completion);
  host->theme_ = std::move(theme);
  host->loaderViewController_ = std::move(loaderViewController);
  host->strongSelf_ = host;
  host->resourceProvider_ = resourceProvider ? std::move(resourceProvider) : DefaultResourceProvider::create();
  return host;
}

std::string QORAuthViewController::className() const { return kClassName; }

bool QORAuthViewController::isCancelled() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return state_ == State::declining || state_ == State::declined || state_ == State::expired;
}

bool QORAuthViewController::hasTimeoutError() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return state_ == State::expired;
}

bool QORAuthViewController::isPresentingLoaderNeed() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return loaderViewController_ && !isDismised() && !loaderViewController_->presentingViewController();
}

bool QORAuthViewController::isDismised() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return state_ >= State::approving;
}

bool QORAuthViewController::isKeepingItselfAlive() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return strongSelf_ != nullptr;
}

bool QORAuthViewController::isDecisionPending() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return state_ == State::approving || state_ == State::declining;
}

std::shared_ptr<QORAuthViewController> QORAuthViewController::self() {
  return std::static_pointer_cast<QORAuthViewController>(shared_from_this());
}

void QORAuthViewController::viewDidLoad() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  platform::ViewController::viewDidLoad();
  auto screen = view();
  if (theme_) {
    if (auto color = theme_->getColorForKey(QORThemeScreenBackgroundColorKey)) screen->setBackgroundColor(*color);
    if (auto indicator = activityIndicator()) indicator->setColor(theme_->getColorForKey(QORThemeActivityIndicatorColor));
  }
  if (!screen->backgroundColor()) {
    if (auto window = platform::Application::shared().keyWindow()) screen->setBackgroundColor(window->tintColor());
  }
}

void QORAuthViewController::viewWillAppear(bool animated) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  platform::ViewController::viewWillAppear(animated);
  if (authController_) return;
  authController_ = QORAuthController::create(sessionId_);
  authController_->setDelegate(std::weak_ptr<QORAuthViewController>(self()));
  auto controller = authController_;  // it may report before start returns
  controller->start();
}

void QORAuthViewController::viewDidAppear(bool animated) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  platform::ViewController::viewDidAppear(animated);
  // The loader comes here rather than while the host is about to appear: the platform refuses a
  // presentation from a controller whose own presentation is still under way.
  presentLoaderIfNeed();
  // The screen waits for the host to be on screen, however many tries its presentation took.
  if (state_ == State::offScreen) {
    state_ = State::onScreen;
  } else if (state_ == State::screenDue) {
    showScreen();
  }
}

void QORAuthViewController::presentLoaderIfNeed() {
  if (!isPresentingLoaderNeed()) return;
  loaderViewController_->setModalPresentationStyle(platform::ModalPresentationStyle::fullScreen);
  internal::presentIfAccepted(self(), loaderViewController_, false);
}

void QORAuthViewController::authControllerFinishedAuthPrepare(
    const std::shared_ptr<QORBaseClientActionController>& controller, int32_t status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (status != QORStatusSuccess) {
    clientActionControllerFinishedWithStatus(controller, status);
    return;
  }
  if (state_ == State::offScreen) {
    state_ = State::screenDue;
  } else if (state_ == State::onScreen) {
    showScreen();
  }
}

void QORAuthViewController::showScreen() {
  state_ = State::screenShown;
  auto screen = controllerForPresenting(authController_);
  if (!screen) {
    finishWithoutDecision(QORStatusInternalCommonError, State::ended);
    return;
  }
  presentViewControllerWithDelay(screen, true, timeForPresentingDelay());
}

std::shared_ptr<platform::ViewController> QORAuthViewController::controllerForPresenting(
    const std::shared_ptr<QORAuthController>& controller) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto data = fetchUiData(controller);
  const auto chain = controller ? controller->chainType() : std::nullopt;
  if (chain == QORAuthControllerOkChainType) return QORCommitAuthViewController::controllerWithTheme(theme_, self(), data);
  if (chain == QORAuthControllerBiometricChainType) {
    if (QORBiometricAuthViewController::isBiometryAvailable()) {
      return QORBiometricAuthViewController::controllerWithTheme(theme_, self(), data);
    }
    if (controller) controller->setIsFallbackUsed(true);
    return QORPinViewController::controllerWithTheme(theme_, self(), true, data);
  }
  return QORPinViewController::controllerWithTheme(theme_, self(), false, data);
}

double QORAuthViewController::timeForPresentingDelay() const {
  return loaderViewController_ ? kScreenDelayWithLoader : kScreenDelay;
}

void QORAuthViewController::presentViewControllerWithDelay(const std::shared_ptr<platform::ViewController>& controller,
                                                           bool animated, double delay) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  platform::MainQueue::shared()->postAfterFor(
      platform::seconds(delay), std::weak_ptr<QORAuthViewController>(self()),
      [controller, animated](const std::shared_ptr<QORAuthViewController>& host) { host->presentOnTop(controller, animated); });
}

void QORAuthViewController::presentOnTop(const std::shared_ptr<platform::ViewController>& controller, bool animated) {
  if (isDismised() || !window()) return;
  if (internal::presentIfAccepted(internal::topOfPresentedChain(self()), controller, animated)) return;
  platform::MainQueue::shared()->postAfterFor(
      internal::kPresentationRetryDelay, std::weak_ptr<QORAuthViewController>(self()),
      [controller, animated](const std::shared_ptr<QORAuthViewController>& host) { host->presentOnTop(controller, animated); });
}

void QORAuthViewController::commitAuthViewControllerConfirmed(const std::shared_ptr<QORCommitAuthViewController>&) {
  commitAuth(QORUserAnswerOk);
}

void QORAuthViewController::commitAuthViewControllerCancelled(const std::shared_ptr<QORCommitAuthViewController>&,
                                                              bool isTimeoutError) {
  decline(isTimeoutError);
}

void QORAuthViewController::authComplete(const std::string& pin) { commitAuth(pin); }

void QORAuthViewController::authCancelWithTimeoutError(bool timeout) { decline(timeout); }

void QORAuthViewController::biometricAuthViewControllerConfirmedWithType(const std::string& type) { commitAuth(type); }

void QORAuthViewController::biometricAuthViewControllerCancelledWithTimeout(bool timeout) { decline(timeout); }

void QORAuthViewController::fallbackToPin() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (isDismised()) return;
  if (authController_) authController_->setIsFallbackUsed(true);
  auto pin = QORPinViewController::controllerWithTheme(theme_, self(), true, fetchUiData(authController_));
  if (!pin) {
    finishWithoutDecision(QORStatusInternalCommonError, State::ended);
    return;
  }
  presentViewControllerWithDelay(pin, true, timeForPresentingDelay());
}

void QORAuthViewController::commitAuth(const std::string& value) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  finishAuthAsCancelled(false, value);
}

void QORAuthViewController::cancelAuth() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  decline(false);
}

void QORAuthViewController::decline(bool timeout) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  // A cancel after the decision (a second button, a late report) must not turn an approval into a
  // declined run for the app.
  if (isDismised()) return;
  if (timeout) {
    finishAuthAsExpired();
  } else {
    finishAuthAsCancelled(true, QORUserAnswerCancel);
  }
}

void QORAuthViewController::finishAuthAsCancelled(bool cancelled, const std::string& userAnswer) {
  if (isDismised()) return;
  state_ = cancelled ? State::declining : State::approving;
  addWindowArtifactsIfNeed();
  auto keep = self();
  internal::dismissThen(keep, [keep, cancelled, userAnswer] {
    keep->state_ = cancelled ? State::declined : State::approved;
    if (auto controller = keep->authController_) {
      if (cancelled) {
        controller->cancelAuth();
      } else {
        controller->commitAuth(userAnswer);
      }
    }
    keep->freeSelfWithDelay(kReleaseAfterDecision);
  });
}

void QORAuthViewController::finishAuthAsExpired() { finishWithoutDecision(QORStatusExpiredTransaction, State::expired); }

void QORAuthViewController::finishWithoutDecision(QORStatus status, State state) {
  if (isDismised()) return;
  state_ = state;
  addWindowArtifactsIfNeed();
  // No commit follows; the paused run takes no later decision and stops sampling motion.
  if (authController_) authController_->endWithoutDecision();
  auto keep = self();
  internal::dismissThen(keep, [keep, status] {
    keep->executeCompletion(status);
    keep->freeSelfWithDelay(kReleaseAfterEnd);
  });
}

void QORAuthViewController::clientActionControllerFinishedWithStatus(const std::shared_ptr<QORBaseClientActionController>&,
                                                                     QORStatus status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto keep = self();
  executeCompletion(status);
  if (isDismised()) return;
  state_ = State::ended;
  addWindowArtifactsIfNeed();
  internal::dismissThen(keep, {});
  freeSelfWithDelay(kReleaseAfterEnd);
}

void QORAuthViewController::executeCompletion(QORStatus status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto completion = std::exchange(completion_, {});
  if (!completion) return;
  auto info = status == QORStatusSensitiveDataDecryptionError ? nullptr : fetchTransactionInfo(authController_);
  completion(isCancelled(), status, std::move(info));
}

void QORAuthViewController::freeSelfWithDelay(double delay) {
  platform::MainQueue::shared()->postAfterFor(platform::seconds(delay), std::weak_ptr<QORAuthViewController>(self()),
                                              [](const std::shared_ptr<QORAuthViewController>& host) {
                                                host->strongSelf_.reset();
                                              });
}

void QORAuthViewController::abandon() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (!isDismised()) state_ = State::ended;
  const auto keep = std::exchange(strongSelf_, nullptr);
}

std::shared_ptr<QORAuthData> QORAuthViewController::fetchUiData(const std::shared_ptr<QORAuthController>& controller) const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto data = QORAuthData::create();
  const Json gui = guiDataOf(controller);
  data->setTimerSeconds(integerValueForKey(gui, "timerSecondsTime").value_or(0));
  data->setPayments(fetchTransactionInfo(controller)->payments());
  const auto& provider = *resourceProvider_;
  data->setCancelButtonText(provider.cancelButtonText());
  data->setConfirmBiometricFaceButtonText(provider.confirmBiometricFaceButtonText());
  data->setConfirmBiometricTouchButtonText(provider.confirmBiometricTouchButtonText());
  data->setConfirmButtonText(provider.confirmButtonText());
  data->setMassPaymentDetailsButtonText(provider.massPaymentDetailsButtonText());
  data->setFeeLabelText(provider.feeLabelText());
  data->setRecepientLabelText(provider.recepientLabelText());
  data->setMassPaymentDetailsHeaderText(provider.massPaymentDetailsHeaderText());
  // The platform refuses a prompt without a reason: an empty one would leave the biometric screen
  // without a way to approve.
  auto reason = provider.biometricAlertReasonText();
  if (!reason || reason->string().empty()) reason = internal::defaultBiometricAlertReasonText();
  data->setBiometricAlertReasonText(std::move(reason));
  data->setDescription(plainText(gui, guiDataResponseTextKey));
  data->setConfirmActionHeaderText(plainText(gui, guiDataResponseHeaderKey));
  return data;
}

std::shared_ptr<TransactionInfo> QORAuthViewController::fetchTransactionInfo(
    const std::shared_ptr<QORAuthController>& controller) {
  auto info = TransactionInfo::create();
  const Json gui = guiDataOf(controller);
  info->setAuthMethod(fetchAuthMethod(controller));
  info->setOperationType(integerValueForKey(gui, "operationType").value_or(0));
  if (const Json* args = platform::member(gui, "args")) info->setArgs(*args);
  info->setPayments(fetchPayments(controller));
  return info;
}

int64_t QORAuthViewController::fetchAuthMethod(const std::shared_ptr<QORAuthController>& controller) {
  const auto chain = controller ? controller->chainType() : std::nullopt;
  if (chain == QORAuthControllerPinChainType) return 2;
  if (chain == QORAuthControllerBiometricChainType) return 3;
  if (chain == QORAuthControllerSetPinChainType) return 4;
  return 1;
}

std::vector<std::shared_ptr<QORPayment>> QORAuthViewController::fetchPayments(
    const std::shared_ptr<QORAuthController>& controller) {
  std::vector<std::shared_ptr<QORPayment>> payments;
  const Json gui = guiDataOf(controller);
  const Json* list = platform::member(gui, "payments");
  if (!list || !list->is_array()) return payments;
  for (const auto& element : *list) {
    // An element that is not an object describes no payment.
    if (!element.is_object()) continue;
    payments.push_back(QORPayment::initWithAmount(doubleValue(platform::member(element, "amount")),
                                                  doubleValue(platform::member(element, "fee")),
                                                  platform::stringMember(element, "recipient"),
                                                  platform::stringMember(element, "currency")));
  }
  return payments;
}

void QORAuthViewController::addWindowArtifactsIfNeed() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  addAlertArtifactIfNeed();
  addOverlayArtifactIfNeed();
}

void QORAuthViewController::addAlertArtifactIfNeed() {
  if (isAlertControllerActive()) addArtifact(QOROverlayAlertWindowArtifact::create());
}

void QORAuthViewController::addOverlayArtifactIfNeed() {
  if (!isQORViewControllerActive()) addArtifact(QOROverlayWindowArtifact::create());
}

void QORAuthViewController::addArtifact(std::shared_ptr<QORSessionArtifact> artifact) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (authController_) authController_->appendArtifact(std::move(artifact));
}

bool QORAuthViewController::setOutlet(std::string_view name, const std::shared_ptr<platform::Responder>& object) {
  return bindOutlet(name, object, "activityIndicator", activityIndicator_) ||
         platform::ViewController::setOutlet(name, object);
}

}  // namespace qor
