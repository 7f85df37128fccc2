// Helpers of the native screens' tests: a fixture in virtual time with a key window, delegates that
// write down what the screens report, and themes whose every colour is its own.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/theme/QORTheme.h"
#include "platform/Clock.h"
#include "platform/ui/Color.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/ViewController.h"
#include "ui/data/QORAuthData.h"
#include "ui/protocols/QORBiometricAuthViewControllerDelegate.h"
#include "ui/protocols/QORCommitAuthViewControllerDelegate.h"
#include "ui/protocols/QORPinViewControllerDelegate.h"

namespace qortest {

// Every report of any screen, as "<call>(<argument>)".
class RecordingScreenDelegate : public qor::QORPinViewControllerDelegate,
                                public qor::QORBiometricAuthViewControllerDelegate,
                                public qor::QORCommitAuthViewControllerDelegate {
 public:
  void authComplete(const std::string& pin) override { calls.push_back("authComplete(" + pin + ")"); }
  void authCancelWithTimeoutError(bool timeout) override { calls.push_back(cancel("authCancel", timeout)); }
  void biometricAuthViewControllerCancelledWithTimeout(bool timeout) override {
    calls.push_back(cancel("biometricCancelled", timeout));
  }
  void biometricAuthViewControllerConfirmedWithType(const std::string& type) override {
    calls.push_back("biometricConfirmed(" + type + ")");
  }
  void fallbackToPin() override { calls.push_back("fallbackToPin()"); }
  void commitAuthViewControllerCancelled(const std::shared_ptr<qor::QORCommitAuthViewController>& screen,
                                         bool isTimeoutError) override {
    screens.push_back(screen);
    calls.push_back(cancel("commitCancelled", isTimeoutError));
  }
  void commitAuthViewControllerConfirmed(const std::shared_ptr<qor::QORCommitAuthViewController>& screen) override {
    screens.push_back(screen);
    calls.push_back("commitConfirmed()");
  }

  std::vector<std::string> calls;
  std::vector<std::shared_ptr<qor::QORCommitAuthViewController>> screens;

 private:
  static std::string cancel(const char* name, bool timeout) {
    return std::string(name) + (timeout ? "(YES)" : "(NO)");
  }
};

// A colour per theme key, each different: (index + 1) / 64 in red, the rest fixed.
inline platform::Color themeColor(size_t index) {
  return platform::Color::colorWithRed(double(index + 1) / 64.0, 0.25, 0.5, 1);
}

// Hex text of such a colour for the theme's dictionary.
std::string hexColor(size_t index);

// A theme titled "Acme Bank" whose dictionary gives every key of `keys` its own colour (by position).
std::shared_ptr<qor::QORTheme> themeWithColors(const std::vector<const char*>& keys);
// Every colour key of the theme.
const std::vector<const char*>& allThemeColorKeys();
// The colour the theme made by themeWithColors(allThemeColorKeys()) gives `key`.
platform::Color colorOf(const char* key);

// Data with a header and a message, each plainly attributed.
std::shared_ptr<qor::QORAuthData> sampleAuthData(const std::string& header = "Payment order",
                                                 const std::string& message = "Pay EUR 12.50 to Acme Ltd");

// Virtual time, a key window with a plain root, and the biometric device reset around each case.
class ScreenTest : public testing::Test {
 protected:
  ScreenTest();
  ~ScreenTest() override;

  // Presents the controller from the root, not animated, and lets the transition end.
  void present(const std::shared_ptr<platform::ViewController>& controller);
  // Runs the main queue until nothing is left to do now.
  static void drain();
  // Moves virtual time on, running what falls due.
  static void advance(double seconds);

  platform::VirtualTime time_;
  platform::HeadlessWindow screen_;
  std::shared_ptr<RecordingScreenDelegate> delegate_ = std::make_shared<RecordingScreenDelegate>();
};

}  // namespace qortest
