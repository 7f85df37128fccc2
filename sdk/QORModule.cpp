#include "sdk/QORModule.h"

#include <utility>
#include <vector>

#include "KivAbstractCore/CustomFontConfig.h"
#include "KivAbstractCore/FlutterEngineDependency.h"
#include "KivAbstractCore/KivApi.h"
#include "KivAbstractCore/LocalStorageCustomFontConfig.h"
#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/storage/QORCommonData.h"
#include "common/storage/QORSecureStorage.h"
#include "platform/Queue.h"
#include "platform/SequenceChecker.h"
#include "platform/SystemLog.h"
#include "platform/UUID.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "sdk/deviceinfo/QORDeviceInfoController.h"
#include "sdk/enrollment/QOREnrollmentController.h"
#include "sdk/enrollment/QOREnrollmentViewControllerFactory.h"
#include "sdk/bridge/KivCommunicator.h"
#include "sdk/presentation/UIManager.h"
#include "sdk/presentation/UIWindowTopViewController.h"
#include "sdk/tenants/QORLinkTenantController.h"
#include "sdk/tenants/QORUnlinkTenantController.h"
#include "sdk/tenants/QORUpdateTenantController.h"
#include "ui/protocols/QORSecurityProtocol.h"

namespace qor {

namespace {

using Controller = QORBaseClientActionController;

// The platform refuses a presentation while another transition runs in the window; the enrollment
// screen is offered again after this pause, a bounded number of times, so that the host app always
// hears a status.
constexpr platform::Duration kPresentationRetryDelay = platform::seconds(0.1);
constexpr int kEnrollmentPresentationAttempts = 50;

// The process-wide objects of the facade. The host app calls on the main queue only (checked in
// Debug builds), so they take no lock.
struct ModuleState {
  std::shared_ptr<UIManager> uiManager;
  QORModule::TenantControllers tenantControllers;
  // Running controllers whose key a later operation took: kept until their own completion.
  std::vector<std::shared_ptr<Controller>> displacedTenantControllers;
  std::shared_ptr<KivApi> kivApiImpl;
};

// Made on first use and never destroyed, so nothing runs at load or during exit.
ModuleState& moduleState() {
  static auto* state = new ModuleState;
  return *state;
}

void keepTenantController(const QORModule::TenantKey& key, std::shared_ptr<Controller> controller) {
  auto& state = moduleState();
  auto& slot = state.tenantControllers[key];
  if (slot) state.displacedTenantControllers.push_back(std::move(slot));
  slot = std::move(controller);
}

// Takes out the controller's own entry (the one under its key only while it still holds the key).
void releaseTenantController(const QORModule::TenantKey& key, const Controller* controller) {
  std::vector<std::shared_ptr<Controller>> released;  // let go once the maps are consistent
  auto& state = moduleState();
  if (auto it = state.tenantControllers.find(key); it != state.tenantControllers.end() && it->second.get() == controller) {
    released.push_back(std::move(it->second));
    state.tenantControllers.erase(it);
  }
  auto& displaced = state.displacedTenantControllers;
  for (auto it = displaced.begin(); it != displaced.end();) {
    if (it->get() == controller) {
      released.push_back(std::move(*it));
      it = displaced.erase(it);
    } else {
      ++it;
    }
  }
}

// Runs a tenant controller under its key. `make` gets the controller's completion: it takes the
// controller's own entry out, then calls the app's completion with the same arguments.
template <class TenantController>
void runTenantController(
    const QORModule::TenantKey& key,
    const std::function<std::shared_ptr<TenantController>(typename TenantController::Completion)>& make,
    typename TenantController::Completion completion) {
  auto identity = std::make_shared<const Controller*>(nullptr);
  auto controller = make([key, identity, completion = std::move(completion)](QORStatus status, auto result) {
    releaseTenantController(key, *identity);
    if (completion) completion(status, std::move(result));
  });
  *identity = controller.get();
  keepTenantController(key, controller);
  controller->start();
}

// The facade's own refusals reach the app on a later turn of the main queue, never inside the call
// that they answer.
void reportLater(platform::Task report) { platform::MainQueue::shared()->post(std::move(report)); }

void failEnrollmentScreen(const std::shared_ptr<QOREnrollmentViewController>& screen, const char* why) {
  platform::systemLog(std::string("QORModule: the enrollment screen cannot be shown (") + why + "); status 44");
  auto completion = screen->completion();
  screen->setCompletion({});
  if (completion) completion(QORStatusInternalCommonError);
}

// Presents the screen over the view controller on top; a refused presentation is tried again.
void presentEnrollmentScreen(const std::shared_ptr<QOREnrollmentViewController>& screen, int attemptsLeft) {
  auto top = topViewController();
  if (!top) return failEnrollmentScreen(screen, "no view controller to present it on");
  top->presentViewController(screen, false);
  if (screen->presentingViewController()) return;
  if (attemptsLeft <= 1) return failEnrollmentScreen(screen, "the presentation was refused");
  platform::MainQueue::shared()->postAfter(kPresentationRetryDelay,
                                           [screen, attemptsLeft] { presentEnrollmentScreen(screen, attemptsLeft - 1); });
}

std::shared_ptr<KivApi> storedKivApi() { return moduleState().kivApiImpl; }

void setTopScreenDataHidden(bool hidden) {
  if (auto secure = std::dynamic_pointer_cast<QORSecurityProtocol>(topViewController())) secure->setDataHidden(hidden);
}

}  // namespace

void QORModule::updateDeviceToken(const std::optional<std::string>& token) {
  QOR_DCHECK_ON_MAIN_QUEUE();
  QOREnrollmentController::updateDeviceToken(token);
}

bool QORModule::isReadyForEnrollment() {
  QOR_DCHECK_ON_MAIN_QUEUE();
  return QOREnrollmentController::isReadyForEnrollment();
}

bool QORModule::isEnrolled() {
  QOR_DCHECK_ON_MAIN_QUEUE();
  return QOREnrollmentController::isEnrolled();
}

bool QORModule::isReadyForAuthorization() {
  QOR_DCHECK_ON_MAIN_QUEUE();
  return isEnrolled();
}

void QORModule::reset() {
  QOR_DCHECK_ON_MAIN_QUEUE();
  QOREnrollmentController::reset();
}

void QORModule::startEnrollmentWithHost(const std::optional<std::string>& host, bool invisibly,
                                        const std::optional<std::string>& installationId,
                                        std::shared_ptr<ResourceProvider> resourceProvider,
                                        const std::optional<std::string>& pubVtnBase64,
                                        EnrollmentCompletion idCompletion) {
  QOR_DCHECK_ON_MAIN_QUEUE();
  // Stored before the controller is made, so that its snapshot keeps them on a rollback.
  QORCommonData::setHost(host);
  QORCommonData::setInstallationId(installationId);
  QORCommonData::setPubVtnBase64(pubVtnBase64);
  auto screen = QOREnrollmentViewControllerFactory::controllerWithResourceProvider(resourceProvider, idCompletion);
  if (!screen) {
    platform::systemLog("QORModule: the enrollment screen cannot be made; status 44");
    if (idCompletion) reportLater([idCompletion] { idCompletion(QORStatusInternalCommonError); });
    return;
  }
  if (invisibly) {
    screen->startInvisibly();
    return;
  }
  platform::MainQueue::shared()->post(
      [screen = std::move(screen)] { presentEnrollmentScreen(screen, kEnrollmentPresentationAttempts); });
}

void QORModule::startAuthorizationWithTheme(std::shared_ptr<QORTheme> theme, int64_t sessionId,
                                            std::shared_ptr<ResourceProvider> resourceProvider,
                                            std::shared_ptr<platform::ViewController> loaderViewController,
                                            AuthorizationCompletion completion) {
  QOR_DCHECK_ON_MAIN_QUEUE();
  if (auto window = platform::Application::shared().keyWindow()) {
    auto root = window->rootViewController();
    if (root && root->presentedViewController()) root->dismissViewControllerAnimated(false);
  }
  auto manager = UIManager::create(std::move(theme), sessionId, storedKivApi(), std::move(resourceProvider),
                                   std::move(loaderViewController), std::move(completion));
  // The manager it replaces ends its run (UIManager::supersede).
  setUiManager(manager);
  manager->start();
}

void QORModule::startAuthorizationWithTheme(std::shared_ptr<QORTheme>, int64_t sessionId,
                                            KivAuthorizationCompletion completion) {
  QOR_DCHECK_ON_MAIN_QUEUE();
  // Without a module the bridge completes at once with 44 and sends nothing.
  KivCommunicator::create(sessionId, storedKivApi(), std::move(completion))->start();
}

void QORModule::update(std::shared_ptr<KivApi> kivApiImpl) {
  QOR_DCHECK_ON_MAIN_QUEUE();
  update(std::move(kivApiImpl), LocalStorageCustomFontConfig::create());
}

void QORModule::update(std::shared_ptr<KivApi> kivApiImpl, std::shared_ptr<CustomFontConfig> fontConfig) {
  QOR_DCHECK_ON_MAIN_QUEUE();
  moduleState().kivApiImpl = kivApiImpl;
  if (!kivApiImpl) return;
  kivApiImpl->prepareWithFlutterEngineDependency(
      FlutterEngineDependency::create(platform::uuidString(), platform::uuidString()), std::move(fontConfig));
}

void QORModule::linkTenantWithLinkingCode(const std::optional<std::string>& linkingCode, TenantCompletion completion) {
  QOR_DCHECK_ON_MAIN_QUEUE();
  if (!linkingCode) {
    platform::systemLog("QORModule: a tenant link needs a linking code; status 44");
    if (completion) {
      reportLater([completion] {
        completion(QORStatusInternalCommonError, QORTenant::create(std::nullopt, std::nullopt, nullptr));
      });
    }
    return;
  }
  runTenantController<QORLinkTenantController>(
      *linkingCode, [&](auto done) { return QORLinkTenantController::create(linkingCode, std::move(done)); },
      std::move(completion));
}

void QORModule::updateTenantWithTenantId(std::optional<int64_t> tenantId, TenantCompletion completion) {
  QOR_DCHECK_ON_MAIN_QUEUE();
  if (!tenantId) {
    platform::systemLog("QORModule: a tenant update needs a tenant identifier; status 44");
    if (completion) {
      reportLater([completion] {
        completion(QORStatusInternalCommonError, QORTenant::create(std::nullopt, std::nullopt, nullptr));
      });
    }
    return;
  }
  runTenantController<QORUpdateTenantController>(
      *tenantId, [&](auto done) { return QORUpdateTenantController::create(tenantId, std::move(done)); },
      std::move(completion));
}

void QORModule::unlinkTenantWithTenantId(std::optional<int64_t> tenantId, UnlinkTenantCompletion completion) {
  QOR_DCHECK_ON_MAIN_QUEUE();
  if (!tenantId) {
    platform::systemLog("QORModule: a tenant unlink needs a tenant identifier; status 44");
    if (completion) reportLater([completion] { completion(QORStatusInternalCommonError, std::nullopt); });
    return;
  }
  runTenantController<QORUnlinkTenantController>(
      *tenantId, [&](auto done) { return QORUnlinkTenantController::create(tenantId, std::move(done)); },
      std::move(completion));
}

void QORModule::sendDeviceLivelinessSettings(StatusCompletion completion) {
  QOR_DCHECK_ON_MAIN_QUEUE();
  // The controller keeps itself alive until its completion has run.
  QORDeviceInfoController::create(std::move(completion))->start();
}

platform::OptBytes QORModule::decryptData(const platform::OptBytes& data) {
  QOR_DCHECK_ON_MAIN_QUEUE();
  auto keyData = QORSecureStorage::dataForKey(kQORSecureStorageRsaUtilityPrivate);
  if (!keyData) return std::nullopt;
  return QORCryptUtilsAsymmetric::decryptData(data, QORSecretKey::create(std::move(keyData), 2));
}

void QORModule::onApplicationWillResignActive(platform::Application&) {
  QOR_DCHECK_ON_MAIN_QUEUE();
  setTopScreenDataHidden(true);
}

void QORModule::onApplicationWillEnterForeground(platform::Application&) {
  QOR_DCHECK_ON_MAIN_QUEUE();
  setTopScreenDataHidden(false);
}

std::shared_ptr<UIManager> QORModule::uiManager() {
  QOR_DCHECK_ON_MAIN_QUEUE();
  return moduleState().uiManager;
}

void QORModule::setUiManager(std::shared_ptr<UIManager> manager) {
  QOR_DCHECK_ON_MAIN_QUEUE();
  std::swap(moduleState().uiManager, manager);
  // The previous manager is superseded once the new one is in place, then let go.
  if (manager && manager != moduleState().uiManager) manager->supersede();
}

QORModule::TenantControllers QORModule::tenantControllers() {
  QOR_DCHECK_ON_MAIN_QUEUE();
  return moduleState().tenantControllers;
}

void QORModule::setTenantControllers(TenantControllers controllers) {
  QOR_DCHECK_ON_MAIN_QUEUE();
  std::swap(moduleState().tenantControllers, controllers);
}

}  // namespace qor
