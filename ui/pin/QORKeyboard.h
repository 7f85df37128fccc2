// The PIN screen's keypad: ten round digit buttons from the nib "QORKeyboard", whose digits are
// placed in a new random order every time a keypad is made, so that which button carries which
// digit differs on every PIN screen. Each press sends the pressed button's digit to the delegate.
//
// The delegate is held weakly: the PIN screen that owns this keypad is its delegate, and a strong
// link back would keep every PIN screen, and the PIN in it, alive for good.
//
// Main queue only (checked in Debug builds).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/theme/QORTheme.h"
#include "platform/ui/Button.h"
#include "ui/controls/QORXIBControl.h"
#include "ui/data/QORAtomicValue.h"
#include "ui/protocols/QORKeyboardDelegate.h"

namespace qor {

class QORKeyboard : public QORXIBControl {
 public:
  using Buttons = std::vector<std::shared_ptr<platform::Button>>;

  std::string className() const override;
  // The nib, then buttonsInit.
  void initWithCoder(const platform::Coder& coder) override;
  void initWithFrame(const platform::Rect& frame) override;

  std::weak_ptr<QORKeyboardDelegate> delegate() const { return delegate_.load(); }
  void setDelegate(std::weak_ptr<QORKeyboardDelegate> delegate) { delegate_.store(std::move(delegate)); }
  const std::shared_ptr<platform::View>& contentView() const { return contentView_; }
  std::shared_ptr<platform::Button> firstButton() const { return firstButton_.lock(); }
  std::shared_ptr<platform::Button> secondButton() const { return secondButton_.lock(); }
  std::shared_ptr<platform::Button> thirdButton() const { return thirdButton_.lock(); }
  std::shared_ptr<platform::Button> forthButton() const { return forthButton_.lock(); }
  std::shared_ptr<platform::Button> fifthButton() const { return fifthButton_.lock(); }
  std::shared_ptr<platform::Button> sixthButton() const { return sixthButton_.lock(); }
  std::shared_ptr<platform::Button> seventhButton() const { return seventhButton_.lock(); }
  std::shared_ptr<platform::Button> eigthButton() const { return eigthButton_.lock(); }
  std::shared_ptr<platform::Button> ninthButton() const { return ninthButton_.lock(); }
  std::shared_ptr<platform::Button> tenthButton() const { return tenthButton_.lock(); }
  // The buttons in shuffled order: the one at index i carries the digit i.
  Buttons valueButtons() const { return valueButtons_.load(); }

  // valueButtons := the ten outlets, first to tenth, then setButtonsValues with them.
  void buttonsInit();
  // Shuffles the buttons, then titles the one at index i with the digit i.
  void setButtonsValues(Buttons& buttons);
  // In place: for i = 0 to n - 2, exchanges items i and i + r, r drawn uniformly below n - i.
  void shuffle(Buttons& buttons);
  // With a theme, every digit button takes its title and background colours; nothing without one.
  void setupWithTheme(const std::shared_ptr<QORTheme>& theme);
  // Sends the button's title to the delegate, when there is one.
  void valueButtonAction(platform::Button* sender);

  std::shared_ptr<platform::View> fetchContentView() const override { return contentView_; }
  bool setOutlet(std::string_view name, const std::shared_ptr<platform::Responder>& object) override;
  platform::ActionHandler actionNamed(std::string_view name) override;

 private:
  QORAtomicValue<std::weak_ptr<QORKeyboardDelegate>> delegate_;
  std::shared_ptr<platform::View> contentView_;
  std::weak_ptr<platform::Button> firstButton_;
  std::weak_ptr<platform::Button> secondButton_;
  std::weak_ptr<platform::Button> thirdButton_;
  std::weak_ptr<platform::Button> forthButton_;
  std::weak_ptr<platform::Button> fifthButton_;
  std::weak_ptr<platform::Button> sixthButton_;
  std::weak_ptr<platform::Button> seventhButton_;
  std::weak_ptr<platform::Button> eigthButton_;
  std::weak_ptr<platform::Button> ninthButton_;
  std::weak_ptr<platform::Button> tenthButton_;
  QORAtomicValue<Buttons> valueButtons_;
};

}  // namespace qor
