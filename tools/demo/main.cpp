// The demo host app: a banking app that embeds the SDK, run headless against the reference server (or
// a server given on the command line). It enrolls the phone on the enrollment screen, receives pushed
// transactions and authorizes them on the native screens (shown as text), links a tenant and sends
// the device-information report. With a terminal it asks the person at it; without one it runs a
// script and exits non-zero unless every step ended as expected.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>

#include "common/storage/QORCommonData.h"
#include "platform/AppInfo.h"
#include "platform/UUID.h"
#include "platform/devices/SimulatedBiometrics.h"
#include "platform/devices/UNUserNotificationCenter.h"
#include "platform/keychain/Keychain.h"
#include "platform/http/URLSession.h"
#include "platform/security/TrustStore.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/ScreenText.h"
#include "sdk/QOR.h"
#include "tools/demo/Console.h"
#include "tools/demo/DemoBackend.h"
#include "tools/demo/DemoOptions.h"
#include "tools/demo/ReferenceServer.h"
#include "tools/demo/ScreenDriver.h"
#include "tools/demo/TextModule.h"

namespace demo {
namespace {

using qor::QORModule;
using qor::QORStatus;

constexpr const char* kDemoPin = "2580";
constexpr auto kFlowTimeout = platform::seconds(120);
constexpr auto kAuthorizationTimeout = platform::seconds(300);

std::string statusText(QORStatus status) {
  const char* name = status >= 0 && static_cast<size_t>(status) < qor::kQORStatusNameCount
                         ? qor::StatusToString[static_cast<size_t>(status)]
                         : nullptr;
  return std::to_string(status) + " (" + (name ? name : "no name: a server's or transport's code") + ")";
}

std::string summaryText(const std::shared_ptr<qor::TransactionInfo>& info) {
  if (!info) return "no transaction summary";
  static const char* const methods[] = {"?", "confirm", "PIN", "biometric", "set PIN"};
  const auto method = info->authMethod();
  std::ostringstream out;
  out << "approved by " << (method >= 1 && method <= 4 ? methods[method] : "?") << " (authMethod " << method
      << "), operationType " << info->operationType() << ", args " << info->args().dump();
  for (const auto& payment : info->payments()) {
    out << "\n      payment " << payment->amount() << " " << payment->currency().value_or("") << " to "
        << payment->recipient().value_or("?") << ", fee " << payment->fee();
  }
  return out.str();
}

std::string themeText(const std::shared_ptr<qor::QORTheme>& theme) {
  if (!theme) return "no theme";
  std::string text = "theme \"" + theme->title().value_or("") + "\":";
  const platform::Json colours = theme->dictonary().value_or(platform::Json::object());
  for (const auto& [key, value] : colours.items()) {
    text += " " + key + "=" + (value.is_string() ? value.get<std::string>() : value.dump());
  }
  return text;
}

std::shared_ptr<qor::QORTheme> bankTheme() {
  auto theme = qor::QORTheme::create("Demo Bank");
  theme->setDictonary(platform::Json{{qor::QORThemeScreenBackgroundColorKey, "#0B3D91"},
                                     {qor::QORThemeConfirmButtonBackgroundColorKey, "#2E7D32"},
                                     {qor::QORThemeCancelButtonBackgroundColorKey, "#C62828"}});
  return theme;
}

// One transaction of the demo: the kind the server makes, and the road it takes on the phone.
struct TransactionChoice {
  std::string kind;           // "pin", "biometric", "confirm"
  bool crossPlatform = false;  // through the cross-platform module (the road where a forgotten PIN is told)
  std::string label;
};

class Demo {
 public:
  explicit Demo(DemoOptions options)
      : options_(std::move(options)),
        interactive_(options_.interactive.value_or(Console::isInteractive())),
        driver_(interactive_, kDemoPin) {}

  int run() {
    if (!setUp()) return finish();
    enroll();
    if (QORModule::isEnrolled()) {
      if (interactive_) {
        authorizeInteractively();
      } else {
        for (const auto& choice : scriptedTransactions()) authorize(choice, true);
      }
      linkTenant();
      sendReport();
    }
    return finish();
  }

 private:
  struct Outcome {
    std::string step;
    bool ok;
    std::string detail;
    bool judged = true;  // the person at the terminal chose the answer: any status may be right
  };

  void record(const std::string& step, bool ok, const std::string& detail) {
    outcomes_.push_back({step, ok, detail});
    Console::line(std::string(ok ? "  ok: " : "  NOT AS EXPECTED: ") + detail);
  }

  int finish() {
    bool allOk = !outcomes_.empty();
    Console::step("Summary");
    for (const auto& o : outcomes_) {
      Console::line(std::string(!o.judged ? "  done  " : o.ok ? "  ok    " : "  FAIL  ") + o.step + ": " + o.detail);
      allOk = allOk && o.ok;
    }
    if (!interactive_) Console::line(allOk ? "every step ended as expected" : "some step did not end as expected");
    referenceServer_.reset();
    std::error_code ignored;
    if (!scratch_.empty()) std::filesystem::remove_all(scratch_, ignored);
    return allOk || interactive_ ? 0 : 1;
  }

  bool setUp() {
    Console::step("Setting up the phone");
    // A keychain of its own for this run, where a real app has the platform's.
    char folder[] = "/tmp/qor-demo-XXXXXX";
    if (!mkdtemp(folder)) {
      record("set-up", false, "cannot make a scratch folder");
      return false;
    }
    scratch_ = folder;
    const std::string keychain = scratch_ + "/keychain.sqlite";
    setenv(platform::Keychain::kPathVariable, keychain.c_str(), 1);
    Console::line("  keychain: " + keychain);
    // The simulated devices: Face ID enrolled, notification alerts on.
    platform::SimulatedBiometrics::reset();
    platform::UNUserNotificationCenter::setSimulatedSettings({});
    platform::AppInfo::setValue(qor::faceIdUsageDescriptionKey, "Approve payments with Face ID");
    Console::line("  simulated devices: Face ID enrolled, notification alerts on");

    if (!startServer()) return false;
    if (server_.caPath && !server_.caPath->empty()) {
      // HTTPS and WebSocket both trust the server's test CA besides the system's store.
      platform::URLSession::shared()->addTrustAnchorCertificates(*server_.caPath);
      platform::TrustStore::addTestAnchorsFromFile(*server_.caPath);
      Console::line("  trust anchor: " + *server_.caPath);
    }

    const std::string token = "demo-push-" + platform::uuidString();
    QORModule::updateDeviceToken(token);
    Console::line("  push token: " + token);
    if (options_.transport == DemoOptions::Transport::websocket) {
      qor::QORCommonData::setWebSocketHost(server_.webSocketURL);
      Console::line("  transport: WebSocket " + server_.webSocketURL.value_or("") + " (HTTPS when it fails)");
    } else {
      Console::line("  transport: HTTPS");
    }
    module_ = TextModule::create(interactive_, kDemoPin, TextModule::ScriptedAnswer::forgotPin);
    QORModule::update(module_);
    driver_.setModule(module_);
    window_ = std::make_unique<platform::HeadlessWindow>();
    record("set-up", QORModule::isReadyForEnrollment(), "ready for enrollment: a push token is stored");
    return QORModule::isReadyForEnrollment();
  }

  bool startServer() {
    if (options_.server) {
      server_ = ServerInfo{*options_.server, *options_.serverKey, options_.caPath, options_.webSocketURL};
      Console::line("  server: " + server_.host);
      if (options_.verbose) Console::line("  (exchanges are shown for the local reference server only)");
      return true;
    }
    ReferenceServer::ExchangeHandler onExchange;
    if (options_.verbose) {
      onExchange = [](const platform::Json& e) {
        std::string line = "  <-> [" + e.value("transport", std::string("?")) + "] action " +
                           (e.contains("type") ? e["type"].dump() : "?") + " " +
                           (e["action"].is_string() ? e["action"].get<std::string>() : "(unknown)") + ": " +
                           (e.value("accepted", false) ? "accepted" : "refused");
        if (e.contains("reason") && e["reason"].is_string()) line += " (" + e["reason"].get<std::string>() + ")";
        Console::line(line);
      };
    }
    std::string error;
    referenceServer_ = ReferenceServer::start(options_.refserverScript, scratch_, onExchange, error);
    if (!referenceServer_) {
      record("set-up", false, error);
      return false;
    }
    server_ = referenceServer_->info();
    Console::line("  reference server: " + server_.host);
    return true;
  }

  void enroll() {
    Console::step("Enrollment");
    installationId_ = platform::uuidString();
    std::optional<QORStatus> status;
    QORModule::startEnrollmentWithHost(server_.host, false, installationId_, qor::DefaultResourceProvider::create(),
                                       server_.pubVtnBase64, [&](QORStatus s) { status = s; });
    auto main = platform::MainQueue::shared();
    // The screen while the enrollment runs.
    main->runUntil(
        [&] {
          auto top = platform::topPresentedViewController();
          return status || (top && top->className() == "QOREnrollmentViewController" && top->isAppeared());
        },
        kFlowTimeout);
    if (!status) Console::block(platform::renderScreen());
    main->runUntil([&] { return status.has_value(); }, kFlowTimeout);
    Console::line("  enrollment status " + (status ? statusText(*status) : "(none in time)"));
    record("enrollment", status == qor::QORStatusSuccess && QORModule::isEnrolled(),
           "enrolled on the shown enrollment screen, status " + (status ? statusText(*status) : "none"));
  }

  static std::vector<TransactionChoice> scriptedTransactions() {
    return {{"pin", false, "PIN on the native pad"},
            {"biometric", false, "biometric (the simulated device recognises the face)"},
            {"confirm", false, "confirm"},
            {"pin", true, "PIN in the cross-platform module, reported as forgotten"}};
  }

  void authorizeInteractively() {
    for (;;) {
      Console::step("Transactions");
      auto choice = Console::ask(
          "Which transaction? [1] PIN  [2] biometric  [3] confirm  [4] PIN in the cross-platform module (where a "
          "forgotten PIN can be reported)  [Enter] go on:");
      if (!choice || choice->empty()) return;
      const auto all = scriptedTransactions();
      const size_t index = static_cast<size_t>(std::atoi(choice->c_str()));
      if (index < 1 || index > all.size()) continue;
      authorize(all[index - 1], false);
    }
  }

  // One pushed transaction: the server makes it and "pushes" its session identifier; the app starts
  // the authorization with it.
  void authorize(const TransactionChoice& choice, bool expectSuccess) {
    Console::step("Authorization: " + choice.label);
    std::string error;
    const auto sessionId = DemoBackend(server_.host).requestTransaction(installationId_, choice.kind, error);
    const std::string step = "authorization (" + choice.label + ")";
    if (!sessionId) {
      record(step, false, "the server made no transaction: " + error);
      return;
    }
    Console::line("  push received: session " + std::to_string(*sessionId));
    if (options_.skipAuthorization) {
      record(step, true, "skipped (--skip-authorization)");
      return;
    }
    if (choice.kind == "biometric" && !interactive_) {
      platform::SimulatedBiometrics::scriptAnswers({platform::BiometricAnswer::success()});
    }
    std::optional<QORStatus> status;
    bool cancelled = false;
    std::shared_ptr<qor::TransactionInfo> summary;
    if (choice.crossPlatform) {
      QORModule::startAuthorizationWithTheme(bankTheme(), *sessionId, [&](bool c, QORStatus s) {
        cancelled = c;
        status = s;
      });
    } else {
      QORModule::startAuthorizationWithTheme(bankTheme(), *sessionId, qor::DefaultResourceProvider::create(), nullptr,
                                             [&](bool c, QORStatus s, std::shared_ptr<qor::TransactionInfo> info) {
                                               cancelled = c;
                                               status = s;
                                               summary = std::move(info);
                                             });
    }
    driver_.runUntil([&] { return status.has_value(); }, kAuthorizationTimeout);
    window_->settle();
    if (!status) {
      record(step, false, "no final status in time");
      return;
    }
    Console::line("  final status " + statusText(*status) + (cancelled ? ", cancelled" : ", not cancelled"));
    if (!choice.crossPlatform) Console::line("  summary: " + summaryText(summary));
    // The script approves every native screen and reports the PIN forgotten in the module: the
    // commit reaches the server either way.
    const bool expectCancelled = choice.crossPlatform;
    const bool ok = *status == qor::QORStatusSuccess && cancelled == expectCancelled &&
                    (choice.crossPlatform || (summary && summary->payments().size() == 1));
    const std::string detail = "status " + statusText(*status) + (cancelled ? ", cancelled" : "");
    if (expectSuccess) {
      record(step, ok, detail);
    } else {
      outcomes_.push_back({step, true, detail, false});
    }
  }

  void linkTenant() {
    Console::step("Linking a tenant");
    std::string error;
    const auto code = DemoBackend(server_.host).requestLinkingCode(error);
    if (!code) {
      record("tenant link", false, "no linking code: " + error);
      return;
    }
    Console::line("  linking code from the bank: " + *code);
    std::optional<QORStatus> status;
    std::shared_ptr<qor::QORTenant> tenant;
    QORModule::linkTenantWithLinkingCode(*code, [&](QORStatus s, std::shared_ptr<qor::QORTenant> t) {
      status = s;
      tenant = std::move(t);
    });
    platform::MainQueue::shared()->runUntil([&] { return status.has_value(); }, kFlowTimeout);
    if (tenant) {
      Console::line("  tenant " + (tenant->tenantId() ? std::to_string(*tenant->tenantId()) : "?") + " \"" +
                    tenant->name().value_or("") + "\", " + themeText(tenant->theme()));
    }
    record("tenant link", status == qor::QORStatusSuccess && tenant && tenant->tenantId() && tenant->theme(),
           "status " + (status ? statusText(*status) : "none") + ", with its theme");
  }

  void sendReport() {
    Console::step("Device-information report");
    std::optional<QORStatus> status;
    QORModule::sendDeviceLivelinessSettings([&](QORStatus s) { status = s; });
    platform::MainQueue::shared()->runUntil([&] { return status.has_value(); }, kFlowTimeout);
    record("device information", status == qor::QORStatusSuccess,
           "biometrics and notification alerts reported, status " + (status ? statusText(*status) : "none"));
  }

  DemoOptions options_;
  const bool interactive_;
  ScreenDriver driver_;
  std::string scratch_;
  std::unique_ptr<ReferenceServer> referenceServer_;
  ServerInfo server_;
  std::string installationId_;
  std::shared_ptr<TextModule> module_;
  std::unique_ptr<platform::HeadlessWindow> window_;
  std::vector<Outcome> outcomes_;
};

}  // namespace
}  // namespace demo

int main(int argc, char** argv) {
  std::string error;
  bool help = false;
  auto options = demo::parseOptions(std::vector<std::string>(argv + 1, argv + argc), error, help);
  if (!options) {
    std::cerr << (help ? "" : error + "\n") << demo::usage();
    return help ? 0 : 2;
  }
  return demo::Demo(std::move(*options)).run();
}
