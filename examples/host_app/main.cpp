// A minimal host app: it embeds the SDK from the installed package and drives it the way an app does.
// Every call goes to QORModule on the app's main thread, which runs the main queue; every completion
// arrives there.
//
//   host_app_example [SERVER-URL SERVER-KEY-BASE64 [CA.pem]]
//
// Without a server it runs against an address where nothing listens, so the enrollment ends with the
// transport's failure status.
#include <stdlib.h>

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "platform/http/URLSession.h"
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
  if (argc > 3) platform::URLSession::shared()->addTrustAnchorCertificates(argv[3]);

  // The keychain stand-in keeps its items in this file.
  char folder[] = "/tmp/qor-example-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  setenv("QOR_KEYCHAIN_PATH", (std::string(folder) + "/keychain.sqlite").c_str(), 1);

  std::cout << "QOR " << qor::QORVersionString;
  qor::QORModule::updateDeviceToken(std::string("example-push-token"));
  std::cout << "ready for enrollment: " << std::boolalpha << qor::QORModule::isReadyForEnrollment() << "\n";

  auto mainQueue = platform::MainQueue::shared();
  std::optional<qor::QORStatus> status;
  qor::QORModule::startEnrollmentWithHost(host, /*invisibly=*/true, std::string("example-installation"),
                                          /*resourceProvider=*/nullptr, serverKey,
                                          [&](qor::QORStatus s) { status = s; });
  mainQueue->runUntil([&] { return status.has_value(); }, platform::seconds(90));
  std::cout << "enrollment finished with status " << (status ? statusText(*status) : "(none)") << "\n";
  std::cout << "enrolled: " << qor::QORModule::isEnrolled() << "\n";
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return status ? 0 : 1;
}
