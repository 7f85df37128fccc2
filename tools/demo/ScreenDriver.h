// Plays the user on the native authorization screens: every PIN, biometric or confirm screen that
// comes on top of the key window is shown as text and answered through the platform's tap helpers,
// from a script or by the person at the terminal (who types the PIN on the shown pad, approves or
// declines, and says what the simulated biometric device recognises). A transaction that the
// cross-platform module shows is answered through the module.
//
// Main queue: it runs the main queue itself, between its answers.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Clock.h"
#include "platform/ui/ViewController.h"
#include "tools/demo/TextModule.h"

namespace demo {

class ScreenDriver {
 public:
  // What the user last did on a native screen.
  enum class Decision { none, approved, declined };

  // The scripted user types `pin` and approves every screen (and the simulated biometric device
  // recognises the face).
  ScreenDriver(bool interactive, std::string pin) : interactive_(interactive), pin_(std::move(pin)) {}

  // Runs the main queue until `done` answers true, answering each screen as it comes; false after the
  // time-out or when the person's input has ended.
  bool runUntil(const std::function<bool()>& done, platform::Duration timeout);
  void setModule(std::shared_ptr<TextModule> module) { module_ = std::move(module); }
  // Called between turns of the main queue (the demo shows the system log there).
  void setOnTurn(std::function<void()> onTurn) { onTurn_ = std::move(onTurn); }

  Decision decision() const { return decision_; }
  void forgetDecision() { decision_ = Decision::none; }

 private:
  std::shared_ptr<platform::ViewController> screenToAnswer() const;
  void answer(const std::shared_ptr<platform::ViewController>& screen);
  void answerPin(const std::shared_ptr<platform::ViewController>& screen);
  void answerApproval(const std::shared_ptr<platform::ViewController>& screen, bool biometric);
  void answerBiometricPrompt();

  const bool interactive_;
  const std::string pin_;
  std::shared_ptr<TextModule> module_;
  std::function<void()> onTurn_;
  std::weak_ptr<platform::ViewController> answered_;
  Decision decision_ = Decision::none;
};

}  // namespace demo
