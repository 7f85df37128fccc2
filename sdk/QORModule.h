// The one class the host app calls. Its class methods start every flow (enrollment, authorization
// on the native screens or through the cross-platform UI module, tenant link, update and unlink, the
// device-information report), answer the readiness queries, take the push token, forget the
// enrollment, open data sealed for the utility key, set up the cross-platform UI module and pass the
// application's life-cycle events to the screen on top.
//
// The host app calls it on the main queue only (checked in Debug builds; the facade takes no lock)
// and runs that queue (platform::MainQueue): every completion runs there. It holds the few objects that outlive a call: the presentation manager of
// the latest native authorization, the tenant controllers that are still running (each until its
// own completion has run) and the cross-platform UI module. Nothing is made at load time.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "common/actions/QORStatus.h"
#include "common/theme/QORTheme.h"
#include "platform/Bytes.h"
#include "sdk/QORExport.h"
#include "sdk/TransactionInfo.h"
#include "sdk/resources/ResourceProvider.h"
#include "sdk/tenants/QORTenant.h"

namespace platform {
class Application;
class ViewController;
}  // namespace platform

namespace qor {

class CustomFontConfig;
class KivApi;
class QORBaseClientActionController;
class UIManager;

class QOR_EXPORT QORModule {
 public:
  QORModule() = delete;

  using EnrollmentCompletion = std::function<void(QORStatus status)>;
  // The native authorization: cancelled (declined or timed out), the final status, and the
  // transaction's summary (none for status 64).
  using AuthorizationCompletion =
      std::function<void(bool cancelled, QORStatus status, std::shared_ptr<TransactionInfo> transactionInfo)>;
  // The authorization through the cross-platform UI module.
  using KivAuthorizationCompletion = std::function<void(bool cancelled, QORStatus status)>;
  // Link and update: the tenant is always an object.
  using TenantCompletion = std::function<void(QORStatus status, std::shared_ptr<QORTenant> tenant)>;
  using UnlinkTenantCompletion = std::function<void(QORStatus status, std::optional<int64_t> tenantId)>;
  using StatusCompletion = std::function<void(QORStatus status)>;

  // A linking code (text) or a tenant identifier (number); the two never meet.
  using TenantKey = std::variant<std::string, int64_t>;
  using TenantControllers = std::map<TenantKey, std::shared_ptr<QORBaseClientActionController>>;

  // Stores the push token; on an enrolled device a different token first forgets the enrollment.
  static void updateDeviceToken(const std::optional<std::string>& token);
  // A push token is stored.
  static bool isReadyForEnrollment();
  // An enrollment token is stored.
  static bool isEnrolled();
  // The same as isEnrolled.
  static bool isReadyForAuthorization();
  // Forgets the enrollment (the device and external identifiers, the extra headers and the sealed
  // key store stay).
  static void reset();

  // Stores the server's address, the installation identifier and the server's RSA public key
  // (Base64 of SubjectPublicKeyInfo DER), then runs one enrollment on the enrollment screen: without
  // showing it (`invisibly`), or presented without animation over the view controller on top, on a
  // later turn of the main queue. The completion hears the final status once: 44 when the screen
  // cannot be made, when there is no view controller to present it on, or when the platform keeps
  // refusing the presentation.
  static void startEnrollmentWithHost(const std::optional<std::string>& host, bool invisibly,
                                      const std::optional<std::string>& installationId,
                                      std::shared_ptr<ResourceProvider> resourceProvider,
                                      const std::optional<std::string>& pubVtnBase64,
                                      EnrollmentCompletion idCompletion);

  // One authorization of the pushed session on the native screens (or the cross-platform module's,
  // when one is set up and the transaction asks for it). The provider may be null (the system's own
  // texts), so may the loader.
  static void startAuthorizationWithTheme(std::shared_ptr<QORTheme> theme, int64_t sessionId,
                                          std::shared_ptr<ResourceProvider> resourceProvider,
                                          std::shared_ptr<platform::ViewController> loaderViewController,
                                          AuthorizationCompletion completion);
  // One authorization of the pushed session through the cross-platform UI module; the theme is not
  // used.
  static void startAuthorizationWithTheme(std::shared_ptr<QORTheme> theme, int64_t sessionId,
                                          KivAuthorizationCompletion completion);

  // Keeps the module (replacing an earlier one) and prepares it with a fresh engine identifier and
  // secure channel name, and the font configuration (an empty one for the first form).
  static void update(std::shared_ptr<KivApi> kivApiImpl);
  static void update(std::shared_ptr<KivApi> kivApiImpl, std::shared_ptr<CustomFontConfig> fontConfig);

  // Tenant operations. Each controller is kept under its key from its start until its completion,
  // which first takes it out and then calls the app's completion. A later operation under the same
  // key takes the key, while the earlier one runs on to its own completion. A missing linking code
  // or identifier completes at once with 44 and sends nothing.
  static void linkTenantWithLinkingCode(const std::optional<std::string>& linkingCode, TenantCompletion completion);
  static void updateTenantWithTenantId(std::optional<int64_t> tenantId, TenantCompletion completion);
  static void unlinkTenantWithTenantId(std::optional<int64_t> tenantId, UnlinkTenantCompletion completion);

  // Sends the device-information report; the completion runs on the main queue.
  static void sendDeviceLivelinessSettings(StatusCompletion completion);

  // RSA PKCS #1 v1.5 decryption with the utility private key that enrollment stored; nullopt when no
  // key is stored or the data does not open.
  static platform::OptBytes decryptData(const platform::OptBytes& data);

  // Tell the screen on top, when it shows secret data, to hide it (resign) or show it again.
  static void onApplicationWillResignActive(platform::Application& application);
  static void onApplicationWillEnterForeground(platform::Application& application);

  // The presentation manager of the latest native authorization.
  static std::shared_ptr<UIManager> uiManager();
  static void setUiManager(std::shared_ptr<UIManager> manager);
  // The tenant controllers under their keys.
  static TenantControllers tenantControllers();
  static void setTenantControllers(TenantControllers controllers);
};

}  // namespace qor
