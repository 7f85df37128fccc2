#include "ui/pin/QORKeyboardButton.h"

namespace qor {

std::string QORKeyboardButton::className() const { return "QORKeyboardButton"; }

void QORKeyboardButton::initWithCoder(const platform::Coder& coder) {
  QORRoundButton::initWithCoder(coder);
  auto& look = layer();
  look.shadowColor = platform::Color::colorWithRed(0, 0, 0, 1);
  look.shadowOffset = platform::Size{1, 2};
  look.shadowRadius = 2;
  look.shadowOpacity = 0.3;
}

}  // namespace qor
