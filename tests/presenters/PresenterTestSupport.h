// The presenters against the reference server: an enrolled device, a key window in which the
// screens appear, and what the app's completion received.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "KivAbstractCore/KivApi.h"
#include "platform/Json.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/ViewController.h"
#include "sdk/TransactionInfo.h"
#include "sdk/bridge/KivCommunicator.h"
#include "sdk/presentation/UIManager.h"
#include "tests/authorization/AuthorizationTestSupport.h"

namespace qortest {

struct Report {
  bool cancelled = false;
  qor::QORStatus status = 0;
  std::shared_ptr<qor::TransactionInfo> info;  // the native road's summary
};

// The prepare body's "argGuiFlutterScreen": JSON text of an object whose members are JSON texts.
platform::Json flutterScreens(const platform::Json& screens);

class PresenterTest : public AuthorizationTest {
 public:
  // Waits until a screen of that class is on top and has settled; nullptr after the time-out.
  template <class Screen>
  std::shared_ptr<Screen> waitForScreen() {
    std::shared_ptr<Screen> screen;
    waitFor([&] { return (screen = std::dynamic_pointer_cast<Screen>(platform::topPresentedViewController())) != nullptr; });
    if (screen && !screen_->settle()) return nullptr;
    return screen;
  }
  // Taps the button with that title on the top screen; false when the tap was not delivered.
  static bool tap(const std::string& title);
  static bool enterPin(const std::string& pin);

 protected:
  void SetUp() override;
  // Lets the presenters' delayed releases run (in virtual time), so nothing outlives the case.
  void TearDown() override;

  qor::UIManager::Completion recordReports();
  qor::KivCommunicator::Completion recordBridgeReports();
  // A manager for session 4711, started.
  std::shared_ptr<qor::UIManager> startManager(std::shared_ptr<qor::KivApi> module = nullptr,
                                               std::shared_ptr<platform::ViewController> loader = nullptr);
  void waitForReports(size_t count = 1);
  // The record types of the one decision the server opened.
  std::vector<int64_t> decisionRecordTypes();
  // How many commits the server received.
  size_t commitsReceived();

  std::vector<Report> reports_;
  std::unique_ptr<platform::HeadlessWindow> screen_;
  std::shared_ptr<qor::UIManager> manager_;
};

}  // namespace qortest
