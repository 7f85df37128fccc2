// A view that shows an image, fitted by its content mode (scale to fill by default).
//
// Main queue only.
#pragma once

#include <memory>

#include "platform/QORPlatformExport.h"
#include "platform/ui/Image.h"
#include "platform/ui/View.h"

namespace platform {

class QOR_PLATFORM_EXPORT ImageView : public View {
 public:
  ImageView() { userInteractionEnabled_ = false; }
  explicit ImageView(std::shared_ptr<Image> image) : image_(std::move(image)) { userInteractionEnabled_ = false; }
  std::string className() const override;

  const std::shared_ptr<Image>& image() const { return image_; }
  void setImage(std::shared_ptr<Image> image) { image_ = std::move(image); }

  // "<image WxH>" with the image's size in points; nullopt without an image.
  std::optional<std::string> screenText() const override;

 private:
  std::shared_ptr<Image> image_;
};

}  // namespace platform
