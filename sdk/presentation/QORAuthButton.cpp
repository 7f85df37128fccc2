#include "sdk/presentation/QORAuthButton.h"

namespace qor {

std::string QORAuthButton::className() const { return kClassName; }

void QORAuthButton::initWithCoder(const platform::Coder& coder) {
  platform::Button::initWithCoder(coder);
  layer().cornerRadius = kCornerRadius;
  layer().masksToBounds = true;
}

}  // namespace qor
