#include "tools/demo/ScreenDriver.h"

#include <algorithm>
#include <cctype>

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

std::optional<std::string> ScreenDriver::ask(const std::string& question) {
  auto answer = Console::ask(question);
  if (!answer) inputEnded_ = true;
  return answer;
}

bool ScreenDriver::runUntil(const std::function<bool()>& done, platform::Duration timeout) {
  auto main = platform::MainQueue::shared();
  const auto deadline = platform::Clock::now() + timeout;
  auto promptOpen = [this] { return interactive_ && !platform::SimulatedBiometrics::openPrompts().empty(); };
  auto moduleWaits = [this] { return module_ && module_->isWaitingForAnswer(); };
  while (!done()) {
    const auto now = platform::Clock::now();
    if (now >= deadline || inputEnded_) return false;
    main->runUntil([&] { return done() || promptOpen() || moduleWaits() || screenToAnswer(); },
                   std::min<platform::Duration>(platform::seconds(0.5), deadline - now));
    if (done()) break;
    if (moduleWaits()) {
      inputEnded_ = !module_->answer();
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
  std::string digits = pin_;
  if (interactive_) {
    auto typed = ask("Type the PIN on the pad above (digits, then Enter to confirm; c to cancel):");
    if (!typed) return;
    if (*typed == "c") {
      tapOrSay(pin->cancelButton(), "Cancel");
      return;
    }
    digits.clear();
    std::copy_if(typed->begin(), typed->end(), std::back_inserter(digits), [](char c) { return std::isdigit(c); });
  }
  for (char digit : digits) {
    tapOrSay(platform::findButtonWithTitle(pin->keyboard(), std::string(1, digit)), std::string("key ") + digit);
  }
  Console::line("  typed " + std::string(digits.size(), '*') + " on the shuffled pad");
  tapOrSay(pin->confirmButton(), "Confirm");
}

void ScreenDriver::answerApproval(const std::shared_ptr<platform::ViewController>& screen, bool biometric) {
  auto approval = std::static_pointer_cast<qor::QORApprovalViewController>(screen);
  bool approve = true;
  if (interactive_) {
    auto choice = ask(biometric ? "[a]pprove with the simulated biometric device, or [d]ecline:" : "[a]pprove or [d]ecline:");
    if (!choice) return;
    approve = *choice != "d";
  }
  Console::line(approve ? "  tapping the confirm button" : "  tapping Cancel");
  tapOrSay(approve ? approval->confirmButton() : approval->cancelButton(), approve ? "confirm" : "Cancel");
}

void ScreenDriver::answerBiometricPrompt() {
  showScreen();
  auto choice = ask("The simulated device: [r]ecognised, [n]ot recognised, [p] Authenticate with PIN, [c]ancel:");
  if (!choice) return;
  platform::BiometricAnswer answer = platform::BiometricAnswer::success();
  if (*choice == "n") answer = platform::BiometricAnswer::failure(platform::LAErrorAuthenticationFailed);
  if (*choice == "p") answer = platform::BiometricAnswer::failure(platform::LAErrorUserFallback);
  if (*choice == "c") answer = platform::BiometricAnswer::failure(platform::LAErrorUserCancel);
  platform::SimulatedBiometrics::answerPrompt(answer);
  // Without a match, or when the prompt was cancelled, the screen stays for another try.
  if (*choice == "n" || *choice == "c") answered_.reset();
}

}  // namespace demo
