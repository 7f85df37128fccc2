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
#include "platform/SystemLog.h"
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

constexpr auto kFlowTimeout = platform::seconds(120);
constexpr int kAuthorizationSeconds = 300;
constexpr auto kAuthorizationTimeout = platform::seconds(kAuthorizationSeconds);

std::string statusText(QORStatus status) {
  const char* name = status >= 0 && static_cast<size_t>(status) < qor::kQORStatusNameCount
                         ? qor::StatusToString[static_cast<size_t>(status)]
                         : nullptr;
  return std::to_string(status) + " (" + (name ? name : "no name: a server's or transport's code") + ")";
}

// What the user did, as the completion tells it (the cancelled flag and, on the native road, the
// transaction summary), with the answer the module gave when the cross-platform module showed it.
std::string decisionText(bool cancelled, QORStatus status, const std::shared_ptr<qor::TransactionInfo>& info,
                         ScreenDriver::Decision native, std::optional<TextModule::ScriptedAnswer> module) {
  if (module) {
    if (!cancelled) return "approved by PIN in the cross-platform module";
    return *module == TextModule::ScriptedAnswer::forgotPin ? "declined in the cross-platform module: forgotten PIN"
                                                            : "declined in the cross-platform module";
  }
  if (cancelled) return "declined";
  if (native == ScreenDriver::Decision::approved) {
    static const char* const methods[] = {"", "confirm", "PIN", "biometrics", "a new PIN"};
    const auto method = info ? info->authMethod() : 0;
    return method >= 1 && method <= 4 ? std::string("approved by ") + methods[method] : "approved";
  }
  if (status == qor::QORStatusExpiredTransaction) return "no answer: the transaction expired";
  return "no decision";
}

std::string summaryText(const std::string& decision, const std::shared_ptr<qor::TransactionInfo>& info) {
  if (!info) return decision;
  std::ostringstream out;
  out << decision << " (authMethod " << info->authMethod() << "), operationType " << info->operationType() << ", args "
      << info->args().dump();
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

// One transaction of the reference server: the kind it makes, and the road it takes on the phone.
struct TransactionChoice {
  std::string kind;           // "pin", "biometric", "confirm"
  bool crossPlatform = false;  // through the cross-platform module (the road where a forgotten PIN is told)
  std::string label;
};

// How a scripted authorization must end.
enum class Expect {
  approvedNative,   // the reference server's native screens: approved, with the transaction's one payment
  forgottenPin,     // the reference server's module road: declined as a forgotten PIN
  approved,         // another server's transaction: approved, whichever road it took
  userDecides,      // the person at the terminal chose: any decision, the server took it
};

class Demo {
 public:
  explicit Demo(DemoOptions options)
      : options_(std::move(options)),
        interactive_(options_.interactive.value_or(Console::isInteractive())),
        driver_(interactive_, options_.pin) {
    driver_.setOnTurn([this] { showSystemLog(); });
  }

  int run() {
    if (!setUp()) return finish();
    enroll();
    if (QORModule::isEnrolled()) {
      authorize();
      if (!Console::inputEnded()) linkTenant();
      if (!Console::inputEnded()) sendReport();
    }
    return finish();
  }

 private:
  enum class Result { ok, failed, skipped, unfinished };
  struct Outcome {
    std::string step;
    Result result;
    std::string detail;
  };

  void record(const std::string& step, bool ok, const std::string& detail) {
    note(step, ok ? Result::ok : Result::failed, detail);
  }

  void note(const std::string& step, Result result, const std::string& detail) {
    showSystemLog();
    outcomes_.push_back({step, result, detail});
    static const char* const prefixes[] = {"  ok: ", "  NOT AS EXPECTED: ", "  skipped: ", "  left unfinished: "};
    Console::line(prefixes[static_cast<int>(result)] + detail);
  }

  // The system log's lines (a real app's console), except the JSON handed to the cross-platform
  // module: that one the module shows itself, under --verbose.
  void showSystemLog() {
    const auto messages = systemLog_.messages();
    for (; systemLogShown_ < messages.size(); ++systemLogShown_) {
      std::string message = messages[systemLogShown_];
      while (!message.empty() && message.back() == '\n') message.pop_back();
      if (module_ && module_->received(message)) continue;
      Console::line("  [system log] " + message);
    }
  }

  int finish() {
    showSystemLog();
    bool allOk = !outcomes_.empty();
    Console::step("Summary");
    static const char* const labels[] = {"  ok    ", "  FAIL  ", "  skip  ", "  UNFINISHED  "};
    for (const auto& o : outcomes_) {
      Console::line(labels[static_cast<int>(o.result)] + o.step + ": " + o.detail);
      allOk = allOk && (o.result == Result::ok || o.result == Result::skipped);
    }
    if (Console::inputEnded()) Console::line("input ended: the demo stopped there");
    Console::line(allOk ? "every step ended as expected" : "some step did not end as expected");
    referenceServer_.reset();
    std::error_code ignored;
    if (!scratch_.empty()) std::filesystem::remove_all(scratch_, ignored);
    return allOk ? 0 : 1;
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
    // Against the reference server the script reports the module's PIN as forgotten (what only that
    // road can tell); another server's transactions it approves.
    module_ = TextModule::create(interactive_, options_.pin,
                                 options_.server ? TextModule::ScriptedAnswer::approve
                                                 : TextModule::ScriptedAnswer::forgotPin,
                                 options_.verbose);
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
    Console::line("  installation identifier: " + installationId_);
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

  static std::vector<TransactionChoice> referenceTransactions() {
    return {{"pin", false, "PIN on the native pad"},
            {"biometric", false, "biometric (the simulated device recognises the face)"},
            {"confirm", false, "confirm"},
            {"pin", true, "PIN in the cross-platform module, reported as forgotten"}};
  }

  void authorize() {
    if (options_.server) {
      authorizePushed();
    } else if (interactive_) {
      authorizeInteractively();
    } else {
      for (const auto& choice : referenceTransactions()) authorizeReference(choice);
    }
  }

  void authorizeInteractively() {
    const auto all = referenceTransactions();
    for (;;) {
      Console::step("Transactions");
      auto choice = Console::choose(
          "Which transaction? [1] PIN  [2] biometric  [3] confirm  [4] PIN in the cross-platform module (where a "
          "forgotten PIN can be reported)  [Enter] go on:",
          {{"1", ""}, {"2", ""}, {"3", ""}, {"4", ""}, {"", ""}});
      if (!choice || choice->empty()) return;
      authorizeReference(all[static_cast<size_t>(std::stoi(*choice)) - 1]);
      if (Console::inputEnded()) return;
    }
  }

  // The reference server makes the transaction on the demo's request and answers its session
  // identifier, which a real backend pushes to the phone.
  void authorizeReference(const TransactionChoice& choice) {
    Console::step("Authorization: " + choice.label);
    const std::string step = "authorization (" + choice.label + ")";
    std::string error;
    const auto sessionId = DemoBackend(server_.host).requestTransaction(installationId_, choice.kind, error);
    if (!sessionId) {
      record(step, false, "the server made no transaction: " + error);
      return;
    }
    Console::line("  push received: session " + std::to_string(*sessionId));
    const Expect expect = interactive_ ? Expect::userDecides
                          : choice.crossPlatform ? Expect::forgottenPin
                                                 : Expect::approvedNative;
    authorizeSession(step, *sessionId, choice.crossPlatform, expect);
  }

  // Another server pushes its session identifiers: they come from the command line and, with a
  // terminal, from the person at it.
  void authorizePushed() {
    size_t count = 0;
    auto one = [&](int64_t sessionId) {
      ++count;
      const std::string step = "authorization (session " + std::to_string(sessionId) + ")";
      Console::step("Authorization: session " + std::to_string(sessionId));
      authorizeSession(step, sessionId, false, interactive_ ? Expect::userDecides : Expect::approved);
    };
    for (const int64_t sessionId : options_.sessions) {
      one(sessionId);
      if (Console::inputEnded()) return;
    }
    while (interactive_) {
      Console::step("Transactions");
      auto typed = Console::ask(
          "Type the session identifier from your push (digits; installation " + installationId_ +
          "), or an empty line to go on:");
      if (!typed) return;
      const std::string text = normalized(*typed);
      if (text.empty()) break;
      if (!isDigits(text) || text.size() > 18) {
        Console::line("  please answer a session identifier (digits) or an empty line");
        continue;
      }
      one(std::stoll(text));
      if (Console::inputEnded()) return;
    }
    if (count == 0) {
      Console::step("Authorization");
      note("authorization", Result::skipped,
           "no session identifier: another server pushes them; pass each with --session ID" +
               std::string(interactive_ ? " or type it at the prompt" : ""));
    }
  }

  void authorizeSession(const std::string& step, int64_t sessionId, bool moduleOnly, Expect expect) {
    if (options_.skipAuthorization) {
      note(step, Result::skipped, "--skip-authorization");
      return;
    }
    std::optional<QORStatus> status;
    bool cancelled = false;
    std::shared_ptr<qor::TransactionInfo> summary;
    driver_.forgetDecision();
    module_->forgetAnswer();
    if (moduleOnly) {
      QORModule::startAuthorizationWithTheme(bankTheme(), sessionId, [&](bool c, QORStatus s) {
        cancelled = c;
        status = s;
      });
    } else {
      QORModule::startAuthorizationWithTheme(bankTheme(), sessionId, qor::DefaultResourceProvider::create(), nullptr,
                                             [&](bool c, QORStatus s, std::shared_ptr<qor::TransactionInfo> info) {
                                               cancelled = c;
                                               status = s;
                                               summary = std::move(info);
                                             });
    }
    // An unanswered screen never completes: the app bounds its wait itself.
    driver_.runUntil([&] { return status.has_value(); }, kAuthorizationTimeout);
    window_->settle();
    if (!status) {
      if (Console::inputEnded()) {
        note(step, Result::unfinished, "input ended before the transaction was answered");
      } else {
        record(step, false, "no final status within " + std::to_string(kAuthorizationSeconds) + " s");
      }
      return;
    }
    const auto moduleAnswer = module_->lastAnswer();
    const std::string decision = decisionText(cancelled, *status, summary, driver_.decision(), moduleAnswer);
    Console::line("  final status " + statusText(*status) + (cancelled ? ", cancelled" : ", not cancelled"));
    Console::line("  summary: " + summaryText(decision, summary));
    const bool success = *status == qor::QORStatusSuccess;
    bool ok = success;
    switch (expect) {
      case Expect::approvedNative:
        ok = success && !cancelled && summary && summary->payments().size() == 1;
        break;
      case Expect::forgottenPin:
        ok = success && cancelled && moduleAnswer == TextModule::ScriptedAnswer::forgotPin;
        break;
      case Expect::approved:
        ok = success && !cancelled;
        break;
      case Expect::userDecides:
        break;
    }
    record(step, ok, "status " + statusText(*status) + ", " + decision);
  }

  void linkTenant() {
    Console::step("Linking a tenant");
    const std::string step = "tenant link";
    std::optional<std::string> code;
    if (!options_.server) {
      std::string error;
      code = DemoBackend(server_.host).requestLinkingCode(error);
      if (!code) {
        record(step, false, "no linking code: " + error);
        return;
      }
      Console::line("  linking code from the bank: " + *code);
    } else if (options_.linkingCode) {
      code = options_.linkingCode;
    } else if (interactive_) {
      auto typed = Console::ask("Type the linking code from your bank, or an empty line to skip the tenant link:");
      if (!typed) return;
      // A code is the bank's text: only the white space around it goes, its letter case stays.
      const auto first = typed->find_first_not_of(" \t\r");
      if (first != std::string::npos) code = typed->substr(first, typed->find_last_not_of(" \t\r") - first + 1);
    }
    if (!code) {
      note(step, Result::skipped,
           "no linking code: another server's comes from its backend; pass it with --linking-code CODE" +
               std::string(interactive_ ? " or type it at the prompt" : ""));
      return;
    }
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
    // The reference server's tenant comes with a theme; another server's need not.
    const bool themed = options_.server || (tenant && tenant->theme());
    record(step, status == qor::QORStatusSuccess && tenant && tenant->tenantId() && themed,
           "status " + (status ? statusText(*status) : "none") + (options_.server ? "" : ", with its theme"));
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
  platform::LogCapture systemLog_;
  size_t systemLogShown_ = 0;
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
