#include "platform/ui/ImageView.h"

#include <cmath>

namespace platform {

std::string ImageView::className() const { return "UIImageView"; }

std::optional<std::string> ImageView::screenText() const {
  if (!image_) return std::nullopt;
  auto points = [](double v) { return std::to_string(static_cast<long long>(std::lround(v))); };
  return "<image " + points(image_->size().width) + "x" + points(image_->size().height) + ">";
}

}  // namespace platform
