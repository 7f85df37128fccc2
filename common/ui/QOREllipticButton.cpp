#include "common/ui/QOREllipticButton.h"

namespace qor {

std::string QOREllipticButton::className() const { return "QOREllipticButton"; }

void QOREllipticButton::initWithCoder(const platform::Coder& coder) {
  platform::Button::initWithCoder(coder);
  auto& l = layer();
  l.shadowColor = platform::Color::colorWithRed(0, 0, 0, 1);
  l.shadowOffset = platform::Size{2.0, 2.0};
  l.shadowRadius = 5.0;
  l.shadowOpacity = 0.3;
}

}  // namespace qor
