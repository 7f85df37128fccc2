// The round digit button of the keypad: a round button (its corner radius is half its width at every
// layout, and its layer does not clip) with a shadow set when it is made from a layout: black,
// 1 point right and 2 down, radius 2, opacity 0.3.
//
// Main queue only.
#pragma once

#include "common/ui/QORRoundButton.h"

namespace qor {

class QORKeyboardButton : public QORRoundButton {
 public:
  std::string className() const override;
  void initWithCoder(const platform::Coder& coder) override;
};

}  // namespace qor
