#include "platform/ui/StackView.h"

#include <algorithm>
#include <vector>

#include "platform/ui/LayoutValues.h"

namespace platform {
namespace {

void collectLines(const View& view, std::vector<std::string>& lines) {
  if (view.isHidden()) return;
  if (auto line = view.screenText()) lines.push_back(std::move(*line));
  if (view.screenTextCoversSubviews()) return;
  for (const auto& child : view.subviews()) collectLines(*child, lines);
}

}  // namespace

std::string StackView::className() const { return "UIStackView"; }

void StackView::setAxis(LayoutAxis axis) {
  axis_ = axis;
  setNeedsLayout();
}

void StackView::setSpacing(double spacing) {
  spacing_ = spacing;
  setNeedsLayout();
}

void StackView::layoutSubviews() {
  std::vector<std::shared_ptr<View>> shown;
  for (const auto& child : subviews()) {
    if (!child->isHidden()) shown.push_back(child);
  }
  if (shown.empty()) return;
  const bool horizontal = axis_ == LayoutAxis::horizontal;
  const double length = horizontal ? bounds().width() : bounds().height();
  const double gaps = spacing_ * double(shown.size() - 1);
  const double share = std::max(0.0, (length - gaps) / double(shown.size()));
  double offset = 0;
  for (const auto& child : shown) {
    child->setFrame(horizontal ? Rect::make(offset, 0, share, bounds().height())
                               : Rect::make(0, offset, bounds().width(), share));
    offset += share + spacing_;
  }
}

std::optional<std::string> StackView::screenText() const {
  if (axis_ != LayoutAxis::horizontal) return std::nullopt;
  std::vector<std::string> lines;
  for (const auto& child : subviews()) collectLines(*child, lines);
  if (lines.empty()) return std::nullopt;
  std::string out = lines.front();
  for (size_t i = 1; i < lines.size(); ++i) out += "  " + lines[i];
  return out;
}

bool StackView::setValueForKey(std::string_view key, const Json& value) {
  if (key == "axis") {
    auto axis = enumFromLayoutValue<LayoutAxis>(value, {{"horizontal", LayoutAxis::horizontal},
                                                        {"vertical", LayoutAxis::vertical}});
    return applyLayoutValue(axis, [this](LayoutAxis a) { setAxis(a); });
  }
  if (key == "spacing") return applyLayoutValue(numberFromLayoutValue(value), [this](double d) { setSpacing(d); });
  return View::setValueForKey(key, value);
}

}  // namespace platform
