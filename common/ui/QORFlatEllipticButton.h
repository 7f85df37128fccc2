// A button with rounded ends, for layouts: at every layout its corner radius is half its height.
#pragma once

#include "platform/ui/Button.h"

namespace qor {

class QORFlatEllipticButton : public platform::Button {
 public:
  std::string className() const override;
  void layoutSubviews() override;
};

}  // namespace qor
