#include "sdk/bridge/KivCommunicator.h"

#include <charconv>
#include <cmath>
#include <utility>

#include "KivAbstractCore/AuthData.h"
#include "KivAbstractCore/KivData.h"
#include "KivAbstractCore/TransactionRequest.h"
#include "common/request/DictionaryQOR.h"
#include "platform/AppInfo.h"
#include "platform/OSVersion.h"
#include "platform/Queue.h"
#include "platform/SystemLog.h"
#include "platform/devices/LAContext.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "sdk/QORConstants.h"
#include "sdk/artifacts/QOROverlayAlertWindowArtifact.h"
#include "sdk/artifacts/QOROverlayWindowArtifact.h"
#include "sdk/presentation/UIWindowTopViewController.h"
#include "sdk/presentation/internal/PresentationSupport.h"
#include "ui/biometric/QORBiometricAuthViewController.h"

namespace qor {
namespace {

using platform::Json;

constexpr auto kBiometricPolicy = platform::LAPolicy::deviceOwnerAuthenticationWithBiometrics;

bool isBiometryAvailable() { return QORBiometricAuthViewController::isBiometryAvailable(); }

// "FACE3DMAP", "FINGERPRINT", or "" before system version 11 and when the context cannot evaluate
// biometrics.
std::string biometricTypeText(const std::shared_ptr<platform::LAContext>& context) {
  if (!platform::isOperatingSystemAtLeast({11, 0, 0}) || !context->canEvaluatePolicy(kBiometricPolicy)) return "";
  switch (context->biometryType()) {
    case platform::LABiometryType::faceID:
      return KivCommunicator::kFaceType;
    case platform::LABiometryType::touchID:
      return KivCommunicator::kFingerprintType;
    default:
      return "";
  }
}

int32_t authTypeForChain(const std::optional<std::string>& chain) {
  if (chain == QORAuthControllerOkChainType) return QORAuthTypeOk;
  if (chain == QORAuthControllerPinChainType) return QORAuthTypePin;
  if (chain == QORAuthControllerBiometricChainType) return QORAuthTypeBio;
  return QORAuthTypeSetPin;
}

template <class Record>
bool holdsRecord(const QORAuthController::Records& records) {
  for (const auto& record : records) {
    if (std::dynamic_pointer_cast<Record>(record)) return true;
  }
  return false;
}

std::string promptReason() {
  auto reason = platform::AppInfo::value(faceIdUsageDescriptionKey).value_or(std::string());
  // The platform refuses a prompt without a reason, which would leave the approval without an end.
  if (reason.empty()) reason = internal::defaultBiometricAlertReasonText().value_or(platform::AttributedString()).string();
  return reason;
}

}  // namespace

std::shared_ptr<KivCommunicator> KivCommunicator::create(std::optional<int64_t> sessionId,
                                                         std::shared_ptr<KivApi> kivApiImpl, Completion completion) {
  return make(sessionId, QORAuthController::create(sessionId), std::move(kivApiImpl), std::move(completion));
}

std::shared_ptr<KivCommunicator> KivCommunicator::create(std::optional<int64_t> sessionId,
                                                         std::shared_ptr<QORAuthController> authController,
                                                         std::shared_ptr<KivApi> kivApiImpl, Completion completion) {
  return make(sessionId, std::move(authController), std::move(kivApiImpl), std::move(completion));
}

std::shared_ptr<KivCommunicator> KivCommunicator::make(std::optional<int64_t> sessionId,
                                                       std::shared_ptr<QORAuthController> authController,
                                                       std::shared_ptr<KivApi> kivApiImpl, Completion completion) {
  auto bridge = std::shared_ptr<KivCommunicator>(
      new KivCommunicator(sessionId, std::move(authController), std::move(kivApiImpl), std::move(completion)));
  bridge->strongSelf_ = bridge;
  if (bridge->authController_) bridge->authController_->setDelegate(std::weak_ptr<KivCommunicator>(bridge));
  return bridge;
}

KivCommunicator::KivCommunicator(std::optional<int64_t> sessionId, std::shared_ptr<QORAuthController> authController,
                                 std::shared_ptr<KivApi> kivApiImpl, Completion completion)
    : authController_(std::move(authController)),
      kiv_(std::move(kivApiImpl)),
      sessionId_(sessionId),
      completion_(std::move(completion)) {}

KivCommunicator::~KivCommunicator() = default;

void KivCommunicator::start() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (isTerminated_) return;
  auto keep = shared_from_this();
  if (!kiv_) {
    // Nothing could show the transaction: the run would wait for a screen that never comes.
    if (auto completion = std::exchange(completion_, {})) completion(true, QORStatusInternalCommonError);
    terminate();
    return;
  }
  if (auto controller = authController_) controller->start();
}

void KivCommunicator::terminate() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (isTerminated_) return;
  isTerminated_ = true;
  completion_ = {};
  if (auto controller = std::exchange(authController_, nullptr)) {
    if (controller->delegate().lock().get() == static_cast<QORBaseClientActionControllerDelegate*>(this)) {
      controller->setDelegate({});
    }
    if (controller->isPaused()) controller->endWithoutDecision();
  }
  kiv_.reset();
  const auto self = std::exchange(strongSelf_, nullptr);
}

void KivCommunicator::authControllerFinishedAuthPrepare(const std::shared_ptr<QORBaseClientActionController>&,
                                                        int32_t) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (isTerminated_ || !authController_) return;
  auto keep = shared_from_this();
  const auto& controller = *authController_;
  const auto& body = controller.flutterGuiData();
  flutterGuiData_ = body && body->is_object() ? *body : Json::object();
  const auto& gui = controller.guiData();
  const Json guiData = gui && gui->is_object() ? *gui : Json::object();
  guiText_ = platform::stringMember(guiData, guiDataResponseTextKey).value_or(std::string());
  guiHeader_ = platform::stringMember(guiData, guiDataResponseHeaderKey).value_or(std::string());
  authType_ = authTypeForChain(controller.chainType());
  pinCodeLenght_ = controller.pinCodeLength();
  if (auto module = kiv_) module->attachViewWithKivData(KivData::create(keep, topViewController()));
}

Json KivCommunicator::screenDictionary() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  Json screens = Json::object();
  const auto text = platform::stringMember(flutterGuiData_, flutterScreenKey);
  const auto parsed = text ? platform::JSONObjectWithString(*text) : std::nullopt;
  if (!parsed || !parsed->is_object()) return screens;
  for (const char* key : {flutterScreenMainKey, flutterScreenDetailsKey, flutterScreenFallbackKey,
                          flutterScreenProgressKey}) {
    const auto screenText = platform::stringMember(*parsed, key);
    auto screen = screenText ? platform::JSONObjectWithString(*screenText) : std::nullopt;
    if (screen && screen->is_object()) screens[key] = std::move(*screen);
  }
  return screens;
}

Json KivCommunicator::transactionDescription() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  const Json* gui = platform::member(flutterGuiData_, flutterScreenTransactionDataKey);
  return Json{{guiDataResponseHeaderKey, guiHeader_},
              {guiDataResponseTextKey, guiText_},
              {flutterScreenPinKey, pinCodeLenght_},
              {flutterScreenKey, screenDictionary()},
              // A prepare answer without GUI data still gets its screens built.
              {flutterScreenTransactionDataKey, gui && gui->is_object() ? *gui : Json::object()}};
}

bool KivCommunicator::shouldUseFallbackScreen() const {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return (!isBiometryAvailable() || isFallbackNeed_) && authType_ == QORAuthTypeBio &&
         screenDictionary().contains(flutterScreenFallbackKey);
}

void KivCommunicator::onScreenReady() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (isTerminated_ || !kiv_) return;
  auto keep = shared_from_this();
  const Json screens = screenDictionary();
  if (const Json* fallback = platform::member(screens, flutterScreenFallbackKey)) {
    authFallbackScreenType_ = integerValueForKey(*fallback, authContentTypeKey);
  }
  const Json description = transactionDescription();
  const std::string text =
      platform::stringWithJSONObject(description).value_or(description.dump(-1, ' ', false, Json::error_handler_t::replace));
  platform::systemLog(text);
  const bool useFallbackScreen = shouldUseFallbackScreen();
  const int64_t type = useFallbackScreen && authFallbackScreenType_ ? *authFallbackScreenType_ : authType_;
  kiv_->buildUIWithParcel(TransactionRequest::create(type, AuthData::create(text, useFallbackScreen)));
}

std::string KivCommunicator::answerText(const Json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_number_unsigned()) return std::to_string(value.get<uint64_t>());
  if (value.is_number_integer()) return std::to_string(value.get<int64_t>());
  if (value.is_number_float()) {
    const double number = value.get<double>();
    if (std::trunc(number) == number && std::fabs(number) < 9.2e18) return std::to_string(static_cast<int64_t>(number));
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    return std::string(buffer, result.ptr);
  }
  return "";
}

void KivCommunicator::approveTransactionWithData(const Json& data) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (!isOpenForDecision() || isApprovalInProgress_ || !kiv_) {
    platform::systemLog("An approval while another is handled or after the decision is ignored");
    return;
  }
  auto keep = shared_from_this();
  isApprovalInProgress_ = true;
  const bool fallbackScreen = shouldUseFallbackScreen();
  if (authType_ != QORAuthTypeBio || fallbackScreen) {
    kiv_->showProgressScreen();
    // The fallback screen takes the PIN in place of biometrics: the answer is a PIN answer.
    if (fallbackScreen) authController_->setIsFallbackUsed(true);
    addArtifacts(answerText(data));
  } else {
    checkUserBiometry();
  }
  if (kiv_) kiv_->hideProgressScreen();
  // A decline that the check itself caused keeps the run declined.
  if (!isTransactionDeclined_) isApproveWasRequested_ = true;
}

void KivCommunicator::checkUserBiometry() {
  if (!isBiometryAvailable()) {
    // Without biometrics and without a fallback screen nothing else could end the approval.
    isApprovalInProgress_ = false;
    isBiometryProhibit_ = true;
    biometryOutcome(false, "");
    return;
  }
  auto context = platform::LAContext::create();
  context->setLocalizedFallbackTitle(kFallbackButtonTitle);
  std::weak_ptr<KivCommunicator> weak = shared_from_this();
  context->evaluatePolicy(kBiometricPolicy, promptReason(),
                          [weak, context](bool success, const std::optional<platform::Error>& error) {
                            const bool fallback = error && error->code == platform::LAErrorUserFallback;
                            const bool available = isBiometryAvailable();
                            const std::string type = success ? biometricTypeText(context) : std::string();
                            platform::MainQueue::shared()->post([weak, fallback, success, available, type] {
                              auto bridge = weak.lock();
                              if (!bridge || !bridge->isOpenForDecision()) return;
                              if (fallback) {
                                bridge->authController_->setIsFallbackUsed(true);
                                bridge->isFallbackNeed_ = true;
                                bridge->onScreenReady();
                                bridge->biometryOutcome(false, "");
                                return;
                              }
                              bridge->isApprovalInProgress_ = false;
                              bridge->isBiometryProhibit_ = !available;
                              bridge->biometryOutcome(success, type);
                            });
                          });
}

void KivCommunicator::biometryOutcome(bool success, const std::string& type) {
  if (!isOpenForDecision()) return;
  if (!success) {
    if (isBiometryProhibit_) {
      declineTransaction();
    } else if (isFallbackNeed_) {
      isApprovalInProgress_ = false;
      authType_ = QORAuthTypePin;
    }
    return;
  }
  if (kiv_) kiv_->showProgressScreen();
  addArtifacts(type);
}

void KivCommunicator::addArtifacts(const std::string& value) {
  addWindowArtifactsIfNeeded();
  isDecisionSent_ = true;
  // Set before the commit, which may end the run before it returns.
  isApproveWasRequested_ = true;
  authController_->commitAuth(value);
}

void KivCommunicator::addWindowArtifactsIfNeeded() {
  if (!authController_) return;
  const auto records = authController_->artifacts();
  if (isAlertControllerActive() && !holdsRecord<QOROverlayAlertWindowArtifact>(records)) {
    authController_->appendArtifact(QOROverlayAlertWindowArtifact::create());
  }
  auto top = topViewController();
  if ((!top || top->className() != flutterViewControllerTitle) && !holdsRecord<QOROverlayWindowArtifact>(records)) {
    authController_->appendArtifact(QOROverlayWindowArtifact::create());
  }
}

void KivCommunicator::decline(const std::function<void(QORAuthController&)>& decline) {
  if (!isOpenForDecision()) {
    platform::systemLog("A decline after the decision is ignored");
    return;
  }
  auto keep = shared_from_this();
  isDecisionSent_ = true;
  isApproveWasRequested_ = false;
  isTransactionDeclined_ = true;
  decline(*authController_);
}

void KivCommunicator::declineTransaction() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  decline([](QORAuthController& controller) { controller.cancelAuth(); });
}

void KivCommunicator::declineTransactionWithData(std::shared_ptr<DeclinedTransactionData> data) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  decline([data = std::move(data)](QORAuthController& controller) { controller.cancelAuth(data); });
}

void KivCommunicator::onBackButtonPressed() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  declineTransaction();
}

void KivCommunicator::detectOverlay() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (isTerminated_) return;
  addWindowArtifactsIfNeeded();
}

void KivCommunicator::waterMarkScreenWithBitmap(const Json&) {}

void KivCommunicator::invalidMethodCallWithMethodName(const std::string&) {}

void KivCommunicator::clientActionControllerFinishedWithStatus(const std::shared_ptr<QORBaseClientActionController>&,
                                                               QORStatus status) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (isTerminated_) return;
  auto keep = shared_from_this();
  closeFlutterScreen();
  if (auto completion = std::exchange(completion_, {})) completion(!isApproveWasRequested_, status);
  terminate();
}

void KivCommunicator::closeFlutterScreen() {
  if (auto module = kiv_) module->hideUI();
  auto top = topViewController();
  if (!top || top->className() != flutterViewControllerTitle) return;
  auto window = platform::Application::shared().keyWindow();
  if (auto root = window ? window->rootViewController() : nullptr) root->dismissViewControllerAnimated(true);
}

}  // namespace qor
