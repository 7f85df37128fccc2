#include "ui/pin/QORKeyboard.h"

#include <utility>

#include "ui/controls/internal/ThemeColours.h"
#include "ui/pin/internal/UniformRandom.h"

namespace qor {

std::string QORKeyboard::className() const { return "QORKeyboard"; }

void QORKeyboard::initWithCoder(const platform::Coder& coder) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  QORXIBControl::initWithCoder(coder);
  buttonsInit();
}

void QORKeyboard::initWithFrame(const platform::Rect& frame) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  QORXIBControl::initWithFrame(frame);
  buttonsInit();
}

void QORKeyboard::buttonsInit() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  Buttons buttons;
  for (const auto* outlet : {&firstButton_, &secondButton_, &thirdButton_, &forthButton_, &fifthButton_,
                             &sixthButton_, &seventhButton_, &eigthButton_, &ninthButton_, &tenthButton_}) {
    // A nib that lacks a button leaves a shorter keypad, never a hole in the list.
    if (auto button = outlet->lock()) buttons.push_back(std::move(button));
  }
  setButtonsValues(buttons);
  valueButtons_.store(std::move(buttons));
}

void QORKeyboard::setButtonsValues(Buttons& buttons) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  shuffle(buttons);
  for (size_t i = 0; i < buttons.size(); ++i) buttons[i]->setTitle(std::to_string(i));
}

void QORKeyboard::shuffle(Buttons& buttons) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  const size_t n = buttons.size();
  if (n < 2) return;
  for (size_t i = 0; i + 1 < n; ++i) {
    const size_t r = internal::uniformRandom(uint32_t(n - i));
    std::swap(buttons[i], buttons[i + r]);
  }
}

void QORKeyboard::setupWithTheme(const std::shared_ptr<QORTheme>& theme) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (!theme) return;
  for (const auto& button : valueButtons()) {
    internal::applyButtonColours(button, theme, QORThemePinNumberButtonTextColorKey,
                                 QORThemePinNumberButtonBackgroundColorKey);
  }
}

void QORKeyboard::valueButtonAction(platform::Button* sender) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  auto delegate = delegate_.load().lock();
  if (!delegate || !sender) return;
  delegate->valueButtonPressed(sender->currentTitle().value_or(""));
}

bool QORKeyboard::setOutlet(std::string_view name, const std::shared_ptr<platform::Responder>& object) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return bindOutlet(name, object, "contentView", contentView_) ||
         bindOutlet(name, object, "firstButton", firstButton_) ||
         bindOutlet(name, object, "secondButton", secondButton_) ||
         bindOutlet(name, object, "thirdButton", thirdButton_) ||
         bindOutlet(name, object, "forthButton", forthButton_) ||
         bindOutlet(name, object, "fifthButton", fifthButton_) ||
         bindOutlet(name, object, "sixthButton", sixthButton_) ||
         bindOutlet(name, object, "seventhButton", seventhButton_) ||
         bindOutlet(name, object, "eigthButton", eigthButton_) ||
         bindOutlet(name, object, "ninthButton", ninthButton_) ||
         bindOutlet(name, object, "tenthButton", tenthButton_) || QORXIBControl::setOutlet(name, object);
}

platform::ActionHandler QORKeyboard::actionNamed(std::string_view name) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (name == "valueButtonAction") {
    return [this](platform::Control* sender) { valueButtonAction(dynamic_cast<platform::Button*>(sender)); };
  }
  return QORXIBControl::actionNamed(name);
}

}  // namespace qor
