#include "platform/ui/ActivityIndicatorView.h"

#include "platform/ui/LayoutValues.h"

namespace platform {

std::string ActivityIndicatorView::className() const { return "UIActivityIndicatorView"; }

void ActivityIndicatorView::startAnimating() {
  animating_ = true;
  if (hidesWhenStopped_) setHidden(false);
}

void ActivityIndicatorView::stopAnimating() {
  animating_ = false;
  if (hidesWhenStopped_) setHidden(true);
}

void ActivityIndicatorView::setHidesWhenStopped(bool hides) {
  hidesWhenStopped_ = hides;
  if (!animating_) setHidden(hides);
}

std::optional<std::string> ActivityIndicatorView::screenText() const { return animating_ ? "(busy)" : "(idle)"; }

bool ActivityIndicatorView::setValueForKey(std::string_view key, const Json& value) {
  if (key == "animating") {
    return applyLayoutValue(boolFromLayoutValue(value), [this](bool b) { b ? startAnimating() : stopAnimating(); });
  }
  if (key == "hidesWhenStopped") {
    return applyLayoutValue(boolFromLayoutValue(value), [this](bool b) { setHidesWhenStopped(b); });
  }
  if (key == "color") return applyLayoutValue(colorFromLayoutValue(value), [this](Color c) { color_ = c; });
  return View::setValueForKey(key, value);
}

}  // namespace platform
