// A spinner. As on the platform, one that hides when stopped (the default) is hidden while it does
// not animate, so a new one is hidden until started.
//
// Main queue only.
#pragma once

#include <optional>

#include "platform/QORPlatformExport.h"
#include "platform/ui/View.h"

namespace platform {

class QOR_PLATFORM_EXPORT ActivityIndicatorView : public View {
 public:
  ActivityIndicatorView() { setHidden(true); }
  std::string className() const override;

  void startAnimating();
  void stopAnimating();
  bool isAnimating() const { return animating_; }
  bool hidesWhenStopped() const { return hidesWhenStopped_; }
  void setHidesWhenStopped(bool hides);
  const std::optional<Color>& color() const { return color_; }
  void setColor(std::optional<Color> color) { color_ = color; }

  // "(busy)" while animating, "(idle)" when stopped and shown.
  std::optional<std::string> screenText() const override;
  // "animating", "hidesWhenStopped", "color", and the properties of View.
  bool setValueForKey(std::string_view key, const Json& value) override;

 private:
  bool animating_ = false;
  bool hidesWhenStopped_ = true;
  std::optional<Color> color_;
};

}  // namespace platform
