#include "common/ui/QORRoundButton.h"

namespace qor {

std::string QORRoundButton::className() const { return "QORRoundButton"; }

void QORRoundButton::initWithCoder(const platform::Coder& coder) {
  platform::Button::initWithCoder(coder);
  layer().masksToBounds = false;
}

void QORRoundButton::layoutSubviews() {
  platform::Button::layoutSubviews();
  layer().cornerRadius = bounds().width() / 2;
}

}  // namespace qor
