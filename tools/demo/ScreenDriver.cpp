#include "tools/demo/ScreenDriver.h"

#include <algorithm>

#include "platform/Queue.h"
#include "platform/devices/SimulatedBiometrics.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/ScreenText.h"
#include "platform/ui/Window.h"
#include "tools/demo/Console.h"
#include "ui/biometric/QORBiometricAuthViewController.h"
#include "ui/confirm/QORCommitAuthViewController.h"
#include "ui/pin/QORPinViewController.h"

namespace demo {

namespace {

using platform::TapResult;

void tapOrSay(const std::shared_ptr<platform::Control>& control, const std::string& what) {
  const TapResult result = platform::tap(control);
  if (result != TapResult::delivered) Console::line("  (tapping " + what + " did nothing: " + platform::tapResultName(result) + ")");
}

void showScreen() { Console::block(platform::renderScreen()); }

}  // namespace

bool ScreenDriver::runUntil(const std::function<bool()>& done, platform::Duration timeout) {
  auto main = platform::MainQueue::shared();
  const auto deadline = platform::Clock::now() + timeout;
  auto promptOpen = [] { return !platform::SimulatedBiometrics::openPrompts().empty(); };
  auto moduleWaits = [this] { return module_ && module_->isWaitingForAnswer(); };
  while (!done()) {
    const auto now = platform::Clock::now();
    if (now >= deadline || Console::inputEnded()) return false;
    main->runUntil([&] { return done() || promptOpen() || moduleWaits() || screenToAnswer(); },
                   std::min<platform::Duration>(platform::seconds(0.5), deadline - now));
    if (onTurn_) onTurn_();
    if (done()) break;
    if (moduleWaits()) {
      module_->answer();
    } else if (promptOpen()) {
      answerBiometricPrompt();
    } else if (auto screen = screenToAnswer()) {
      answer(screen);
    }
  }
  return true;
}

// The screen on top, once it is fully shown and not yet answered.
std::shared_ptr<platform::ViewController> ScreenDriver::screenToAnswer() const {
  auto top = platform::topPresentedViewController();
  if (!top || top == answered_.lock() || !top->isAppeared()) return nullptr;
  auto window = top->window();
  if (!window || window->isTransitionInProgress()) return nullptr;
  const bool authorizationScreen = std::dynamic_pointer_cast<qor::QORPinViewController>(top) ||
                                   std::dynamic_pointer_cast<qor::QORBiometricAuthViewController>(top) ||
                                   std::dynamic_pointer_cast<qor::QORCommitAuthViewController>(top);
  return authorizationScreen ? top : nullptr;
}

void ScreenDriver::answer(const std::shared_ptr<platform::ViewController>& screen) {
  answered_ = screen;
  showScreen();
  if (std::dynamic_pointer_cast<qor::QORPinViewController>(screen)) {
    answerPin(screen);
  } else {
    answerApproval(screen, std::dynamic_pointer_cast<qor::QORBiometricAuthViewController>(screen) != nullptr);
  }
}

void ScreenDriver::answerPin(const std::shared_ptr<platform::ViewController>& screen) {
  auto pin = std::static_pointer_cast<qor::QORPinViewController>(screen);
  // The screen itself confirms a PIN of any length; the pad has as many slots as the PIN has digits.
  const size_t length = pin->pinArray().size();
  const std::string lengthText = std::to_string(length) + " digits";
  std::string digits = pin_;
  if (interactive_) {
    for (;;) {
      auto typed = Console::ask("Type the PIN on the pad above (" + lengthText + ", then Enter; c to cancel):");
      if (!typed) return;
      const std::string text = normalized(*typed);
      if (text == "c" || text == "cancel") {
        decision_ = Decision::declined;
        Console::line("  tapping Cancel");
        tapOrSay(pin->cancelButton(), "Cancel");
        return;
      }
      if (isDigits(text) && text.size() == length) {
        digits = text;
        break;
      }
      Console::line("  the pad takes exactly " + lengthText + " (0-9): type them again, or c to cancel");
    }
  } else if (!isDigits(digits) || digits.size() != length) {
    Console::line("  the scripted PIN (--pin) is not " + lengthText + " (0-9): tapping Cancel");
    decision_ = Decision::declined;
    tapOrSay(pin->cancelButton(), "Cancel");
    return;
  }
  for (char digit : digits) {
    tapOrSay(platform::findButtonWithTitle(pin->keyboard(), std::string(1, digit)), std::string("key ") + digit);
  }
  Console::line("  typed " + std::string(digits.size(), '*') + " on the shuffled pad");
  decision_ = Decision::approved;
  tapOrSay(pin->confirmButton(), "Confirm");
}

void ScreenDriver::answerApproval(const std::shared_ptr<platform::ViewController>& screen, bool biometric) {
  auto approval = std::static_pointer_cast<qor::QORApprovalViewController>(screen);
  bool approve = true;
  if (interactive_) {
    auto choice = Console::choose(
        biometric ? "[a]pprove with the simulated biometric device, or [d]ecline:" : "[a]pprove or [d]ecline:",
        {{"a", "approve"}, {"d", "decline"}});
    if (!choice) return;
    approve = *choice == "a";
  }
  decision_ = approve ? Decision::approved : Decision::declined;
  Console::line(approve ? "  tapping the confirm button" : "  tapping Cancel");
  tapOrSay(approve ? approval->confirmButton() : approval->cancelButton(), approve ? "confirm" : "Cancel");
}

void ScreenDriver::answerBiometricPrompt() {
  showScreen();
  std::string choice = "r";
  if (interactive_) {
    auto chosen = Console::choose(
        "The simulated device: [r]ecognised, [n]ot recognised, [p] Authenticate with PIN, [c]ancel:",
        {{"r", "recognised"}, {"n", "not recognised"}, {"p", "pin"}, {"c", "cancel"}});
    if (!chosen) return;
    choice = *chosen;
  } else {
    Console::line("  the simulated device recognises the face");
  }
  platform::BiometricAnswer answer = platform::BiometricAnswer::success();
  if (choice == "n") answer = platform::BiometricAnswer::failure(platform::LAErrorAuthenticationFailed);
  if (choice == "p") answer = platform::BiometricAnswer::failure(platform::LAErrorUserFallback);
  if (choice == "c") answer = platform::BiometricAnswer::failure(platform::LAErrorUserCancel);
  platform::SimulatedBiometrics::answerPrompt(answer);
  // Without a match, or when the prompt was cancelled, the screen stays for another try.
  if (choice == "n" || choice == "c") answered_.reset();
}

}  // namespace demo
