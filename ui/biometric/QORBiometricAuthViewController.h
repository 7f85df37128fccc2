// The biometric screen: the transaction card, the title and two buttons. Confirm opens the system's
// biometric prompt (with the fallback button "Authenticate with PIN"); cancel reports a cancellation.
// The confirm button reads "Confirm with Face ID" on a Face ID device, "Confirm with Touch ID"
// otherwise.
//
// Each prompt ends in at most one report, on the main queue: the fallback button falls back to the
// PIN; a success confirms with the device's biometry type; any other outcome cancels when biometrics
// are no longer available, and otherwise reports nothing (the user may try again or cancel). A
// prompt's reply keeps the screen alive until it has run.
//
// Made by its factory from the scene "QORBiometricAuthViewController" of the storyboard
// "QORAuthViewController". Main queue only (checked in Debug builds).
#pragma once

#include <memory>
#include <string>

#include "platform/devices/LAContext.h"
#include "ui/DefaultQorUiExport.h"
#include "ui/controls/QORApprovalViewController.h"
#include "ui/protocols/QORBiometricAuthViewControllerDelegate.h"
#include "ui/resources/QORNativeScreens.h"

namespace qor {

class QOR_UI_EXPORT QORBiometricAuthViewController : public QORApprovalViewController {
 public:
  static constexpr const char* kClassName = "QORBiometricAuthViewController";
  static constexpr const char* kFaceType = "FACE3DMAP";
  static constexpr const char* kFingerprintType = "FINGERPRINT";
  static constexpr const char* kConfirmWithFaceIdTitle = "Confirm with Face ID";
  static constexpr const char* kConfirmWithTouchIdTitle = "Confirm with Touch ID";
  static constexpr const char* kFallbackTitle = "Authenticate with PIN";

  // A new screen, its view not loaded; nullptr when its scene is missing. Called as
  // controllerWithTheme<Subclass>(...), it makes the scene named by Subclass::kClassName.
  template <class Screen = QORBiometricAuthViewController>
  static std::shared_ptr<Screen> controllerWithTheme(
      std::shared_ptr<QORTheme> theme, const std::shared_ptr<QORBiometricAuthViewControllerDelegate>& delegate,
      std::shared_ptr<QORAuthData> authData) {
    auto screen = std::dynamic_pointer_cast<Screen>(instantiateNativeScreen(kQORAuthStoryboardName, Screen::kClassName));
    if (screen) {
      screen->setDelegate(delegate);
      screen->setAuthData(std::move(authData));
      screen->setTheme(std::move(theme));
    }
    return screen;
  }

  std::string className() const override;

  std::weak_ptr<QORBiometricAuthViewControllerDelegate> delegate() const { return delegate_; }
  void setDelegate(std::weak_ptr<QORBiometricAuthViewControllerDelegate> delegate) { delegate_ = std::move(delegate); }

  // The confirm button's title from the device's biometry.
  void setupConfirmationButton();

  // "FACE3DMAP", "FINGERPRINT", or "" when the context cannot evaluate biometrics or the device has
  // none; "FINGERPRINT" for every biometric device before system version 11.
  static std::string biometricTypeWithContext(const std::shared_ptr<platform::LAContext>& context);
  // A new context can evaluate the biometric policy now. Any thread.
  static bool isBiometryAvailable();

  // Opens the prompt when biometrics are available; does nothing otherwise.
  void confirmAction();
  void cancelAction();

  platform::ActionHandler actionNamed(std::string_view name) override;

 protected:
  void setupScreen() override { setupConfirmationButton(); }

 private:
  enum class PromptOutcome { none, fallback, confirmed, cancelled };
  // On the main queue; the type of a success is read off the prompt's own context.
  void reportPrompt(PromptOutcome outcome, const std::shared_ptr<platform::LAContext>& context);

  std::weak_ptr<QORBiometricAuthViewControllerDelegate> delegate_;
};

}  // namespace qor
