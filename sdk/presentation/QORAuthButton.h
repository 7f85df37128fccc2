// A rounded button for the screens' layouts: made from a layout, its layer gets a corner radius of
// 10 points and clips to its bounds. Layouts name it "QORAuthButton" (registered by
// registerQORPresentationClasses).
//
// Main queue only.
#pragma once

#include <string>

#include "platform/ui/Button.h"

namespace qor {

class QORAuthButton : public platform::Button {
 public:
  static constexpr const char* kClassName = "QORAuthButton";
  static constexpr double kCornerRadius = 10.0;

  std::string className() const override;
  void initWithCoder(const platform::Coder& coder) override;
};

}  // namespace qor
