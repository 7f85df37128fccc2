// A round button, for layouts: made from a layout, its layer does not clip to its bounds (so a
// shadow shows); at every layout its corner radius is half its width.
#pragma once

#include "common/QORCommonExport.h"
#include "platform/ui/Button.h"

namespace qor {

class QOR_COMMON_EXPORT QORRoundButton : public platform::Button {
 public:
  std::string className() const override;
  void initWithCoder(const platform::Coder& coder) override;
  void layoutSubviews() override;
};

}  // namespace qor
