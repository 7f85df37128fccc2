#include "common/ui/QORFlatEllipticButton.h"

namespace qor {

std::string QORFlatEllipticButton::className() const { return "QORFlatEllipticButton"; }

void QORFlatEllipticButton::layoutSubviews() {
  platform::Button::layoutSubviews();
  layer().cornerRadius = bounds().height() / 2;
}

}  // namespace qor
