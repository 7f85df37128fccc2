// A button with a soft shadow, for layouts: made from a layout, its layer gets a black shadow,
// offset 2 by 2 points, radius 5, opacity 0.3.
#pragma once

#include "platform/ui/Button.h"

namespace qor {

class QOREllipticButton : public platform::Button {
 public:
  std::string className() const override;
  void initWithCoder(const platform::Coder& coder) override;
};

}  // namespace qor
