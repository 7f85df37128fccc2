// A minimal host app: it embeds the SDK from the installed package and drives it the way an app does.
// Every call goes to QORModule on the app's main thread, which runs the main queue; every completion
// arrives there.
//
//   host_app_example [SERVER-URL SERVER-KEY-BASE64 [CA.pem [SESSION-ID]]]
//
// Without a server it runs against an address where nothing listens, so the enrollment ends with the
// transport's failure status. With a session identifier (what a push would carry) it authorizes it.
// The app bounds every wait itself: a screen nobody answers never completes.
#include <stdlib.h>

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "platform/http/URLSession.h"
#include "platform/security/TrustStore.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "sdk/QOR.h"

namespace {

std::string statusText(qor::QORStatus status) {
  const char* name = status >= 0 && static_cast<size_t>(status) < qor::kQORStatusNameCount
                         ? qor::StatusToString[static_cast<size_t>(status)]
                         : nullptr;
  return std::to_string(status) + " (" + (name ? name : "server or transport code") + ")";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string host = argc > 2 ? argv[1] : "https://127.0.0.1:9";
  const std::string serverKey = argc > 2 ? argv[2] : "";
  const std::optional<int64_t> sessionId = argc > 4 ? std::optional<int64_t>(std::atoll(argv[4])) : std::nullopt;

  // The stand-ins: the keychain keeps its items in this file (without QOR_KEYCHAIN_PATH every run
  // would share the user's own keychain file and its enrollment); HTTPS and WebSocket trust the
  // server's CA besides the system's store.
  char folder[] = "/tmp/qor-example-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  setenv("QOR_KEYCHAIN_PATH", (std::string(folder) + "/keychain.sqlite").c_str(), 1);
  if (argc > 3) {
    platform::URLSession::shared()->addTrustAnchorCertificates(argv[3]);
    platform::TrustStore::addTestAnchorsFromFile(argv[3]);
  }

  // The app's own screen: the SDK presents its screens over the key window's root view controller.
  auto window = std::make_shared<platform::Window>();
  window->setRootViewController(std::make_shared<platform::ViewController>());
  window->makeKeyAndVisible();

  std::cout << "QOR " << qor::QORVersionString;
  qor::QORModule::updateDeviceToken(std::string("example-push-token"));
  std::cout << "ready for enrollment: " << std::boolalpha << qor::QORModule::isReadyForEnrollment() << "\n";

  // The main thread runs the main queue until the completion has run.
  auto mainQueue = platform::MainQueue::shared();
  constexpr int kEnrollmentSeconds = 90;
  constexpr int kAuthorizationSeconds = 300;
  std::optional<qor::QORStatus> enrollment;
  qor::QORModule::startEnrollmentWithHost(host, /*invisibly=*/false, std::string("example-installation"),
                                          qor::DefaultResourceProvider::create(), serverKey,
                                          [&](qor::QORStatus s) { enrollment = s; });
  std::cout << "waiting up to " << kEnrollmentSeconds << " s for the enrollment's completion" << std::endl;
  mainQueue->runUntil([&] { return enrollment.has_value(); }, platform::seconds(kEnrollmentSeconds));
  std::cout << "enrollment finished with status " << (enrollment ? statusText(*enrollment) : "(none in time)") << "\n";
  std::cout << "enrolled: " << qor::QORModule::isEnrolled() << "\n";

  if (sessionId && qor::QORModule::isReadyForAuthorization()) {
    std::optional<qor::QORStatus> authorization;
    qor::QORModule::startAuthorizationWithTheme(
        qor::QORTheme::create("Example Bank"), *sessionId, /*resourceProvider=*/nullptr, /*loader=*/nullptr,
        [&](bool cancelled, qor::QORStatus s, std::shared_ptr<qor::TransactionInfo> info) {
          authorization = s;
          std::cout << "authorization " << (cancelled ? "declined" : "answered") << ", status " << statusText(s)
                    << (info ? ", " + std::to_string(info->payments().size()) + " payment(s)" : "") << "\n";
        });
    // The screens wait for the user as long as it takes (they report no time-out of their own); the
    // main queue keeps turning meanwhile, and the app decides how long it waits.
    std::cout << "waiting up to " << kAuthorizationSeconds << " s for the user to answer the screen of session "
              << *sessionId << std::endl;
    if (!mainQueue->runUntil([&] { return authorization.has_value(); }, platform::seconds(kAuthorizationSeconds))) {
      std::cout << "no answer within " << kAuthorizationSeconds << " s: the app stops waiting" << std::endl;
    }
  }

  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return enrollment ? 0 : 1;
}
