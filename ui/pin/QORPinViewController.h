// The PIN screen: the transaction card, four slots and a ten-key keypad whose digits are shuffled
// for every screen. A typed digit shows in its slot and is masked with "•" a quarter of a second
// later, or at once when the next digit comes; delete steps back; confirm hands the PIN text to the
// delegate (whatever its length) and cancel reports a cancellation; after either the screen takes
// no more touches and waits to be dismissed. While the app is inactive the slots are hidden.
//
// The slot index belongs to the screen (reset when its view loads), so two PIN screens never step
// on each other's PIN. The delayed masking and the app-activity observer hold the screen weakly.
// `forceClose` dismisses the screen (and whatever it presents) without animation and reports
// nothing.
//
// Made by its factory from the scene "QORPinViewController" of the storyboard
// "QORAuthViewController". Main queue only (checked in Debug builds).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/theme/QORTheme.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/ViewController.h"
#include "ui/DefaultQorUiExport.h"
#include "ui/confirm/QORAuthInfo.h"
#include "ui/data/QORAtomicValue.h"
#include "ui/data/QORAuthData.h"
#include "ui/pin/QORKeyboard.h"
#include "ui/protocols/QORForceClosable.h"
#include "ui/protocols/QORKeyboardDelegate.h"
#include "ui/protocols/QORPinViewControllerDelegate.h"
#include "ui/protocols/QORSecurityProtocol.h"
#include "ui/resources/QORNativeScreens.h"
#include "platform/SequenceChecker.h"

namespace qor {

class QOR_UI_EXPORT QORPinViewController : public platform::ViewController,
                             public QORKeyboardDelegate,
                             public QORSecurityProtocol,
                             public QORForceClosable {
 public:
  static constexpr const char* kClassName = "QORPinViewController";
  static constexpr const char* kEmptySlot = "_";
  static constexpr const char* kMaskedSlot = "\xE2\x80\xA2";  // "•"

  // A new screen, its view not loaded, with an empty PIN text; nullptr when its scene is missing.
  // Called as controllerWithTheme<Subclass>(...), it makes the scene named by Subclass::kClassName.
  template <class Screen = QORPinViewController>
  static std::shared_ptr<Screen> controllerWithTheme(std::shared_ptr<QORTheme> theme,
                                                     const std::shared_ptr<QORPinViewControllerDelegate>& delegate,
                                                     bool isFallback, std::shared_ptr<QORAuthData> authData) {
    auto screen = std::dynamic_pointer_cast<Screen>(instantiateNativeScreen(kQORAuthStoryboardName, Screen::kClassName));
    if (screen) {
      screen->setDelegate(delegate);
      screen->setTheme(std::move(theme));
      screen->setIsFallback(isFallback);
      screen->setAuthData(std::move(authData));
      screen->setPin({});
    }
    return screen;
  }

  std::string className() const override;

  bool isFallback() const { return isFallback_.load(); }
  void setIsFallback(bool isFallback) { isFallback_.store(isFallback); }
  const std::shared_ptr<QORTheme>& theme() const { return theme_; }
  void setTheme(std::shared_ptr<QORTheme> theme) { theme_ = std::move(theme); }
  std::weak_ptr<QORPinViewControllerDelegate> delegate() const { return delegate_; }
  void setDelegate(std::weak_ptr<QORPinViewControllerDelegate> delegate) { delegate_ = std::move(delegate); }
  std::string pin() const { return pin_.load(); }
  void setPin(std::string pin) { pin_.store(std::move(pin)); }
  std::shared_ptr<QORAuthData> authData() const { return authData_.load(); }
  void setAuthData(std::shared_ptr<QORAuthData> authData) { authData_.store(std::move(authData)); }
  // The slot that takes the next digit, 0 to 3.
  int64_t uniqueTag() const { return uniqueTag_; }

  std::shared_ptr<platform::Label> titleLabel() const { return titleLabel_.lock(); }
  // The slots; the one at index i shows digit i of the PIN.
  const std::vector<std::shared_ptr<platform::Label>>& pinArray() const { return pinArray_; }
  std::shared_ptr<platform::Button> removeButton() const { return removeButton_.lock(); }
  std::shared_ptr<QORKeyboard> keyboard() const { return keyboard_.lock(); }
  std::shared_ptr<QORAuthInfo> authInfo() const { return authInfo_.lock(); }
  std::shared_ptr<platform::Button> cancelButton() const { return cancelButton_.lock(); }
  std::shared_ptr<platform::Button> confirmButton() const { return confirmButton_.lock(); }
  std::shared_ptr<platform::Label> timerLabel() const { return timerLabel_.lock(); }

  void viewDidLoad() override;

  // QORKeyboardDelegate: a digit for the current slot; ignored unless that slot is empty.
  void valueButtonPressed(const std::string& value) override;
  void removeAction();
  void cancelAction();
  void confirmAction();
  // The slot shows "•", when it still shows a digit.
  void hidePinLabelByKey(int64_t key);
  // The PIN text := its first `uniqueTag` characters, then the digit.
  void updatePinWithString(const std::string& digit);

  // QORSecurityProtocol: hides or shows the slots; the rest of the screen stays.
  void setDataHidden(bool hidden) override;
  void becomeActive(const platform::Notification& notification);
  void setApplicationBecomeActiveObserver();
  void removeApplicationBecomeActiveObserver();

  void setupTheme();
  void setupPinLabelsTheme();
  void setupRemoveButtonTheme();
  void setupCancelButtonTheme();
  void setupConfirmButtonColor();

  // QORForceClosable.
  void forceClose() override;

  bool setOutlet(std::string_view name, const std::shared_ptr<platform::Responder>& object) override;
  platform::ActionHandler actionNamed(std::string_view name) override;

 private:
  std::shared_ptr<platform::Label> slot(int64_t index) const;
  // Confirm, cancel and force-close: no more touches, no more observing.
  void endInput();

  std::atomic<bool> isFallback_{false};
  std::shared_ptr<QORTheme> theme_;
  std::weak_ptr<QORPinViewControllerDelegate> delegate_;
  QORAtomicValue<std::string> pin_;
  QORAtomicValue<std::shared_ptr<QORAuthData>> authData_;
  int64_t uniqueTag_ = 0;

  std::weak_ptr<platform::Label> titleLabel_;
  std::vector<std::shared_ptr<platform::Label>> pinArray_;
  std::weak_ptr<platform::Button> removeButton_;
  std::weak_ptr<QORKeyboard> keyboard_;
  std::weak_ptr<QORAuthInfo> authInfo_;
  std::weak_ptr<platform::Button> cancelButton_;
  std::weak_ptr<platform::Button> confirmButton_;
  std::weak_ptr<platform::Label> timerLabel_;

 private:
  QOR_MAIN_QUEUE_CHECKER(sequence_);
};

}  // namespace qor
