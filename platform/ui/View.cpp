#include "platform/ui/View.h"

#include <algorithm>

#include "platform/SystemLog.h"
#include "platform/ui/Coder.h"
#include "platform/ui/LayoutValues.h"
#include "platform/ui/Window.h"

namespace platform {
namespace {

constexpr Color kDefaultTint = Color::colorWithRed(0, 122 / 255.0, 1, 1);

std::optional<ContentMode> contentModeFromName(const Json& value) {
  return enumFromLayoutValue<ContentMode>(value, {{"scaleToFill", ContentMode::scaleToFill},
                                                  {"scaleAspectFit", ContentMode::scaleAspectFit},
                                                  {"scaleAspectFill", ContentMode::scaleAspectFill},
                                                  {"center", ContentMode::center}});
}

}  // namespace

View::~View() = default;

std::string View::className() const { return "UIView"; }

void View::setFrame(const Rect& frame) {
  if (frame.size != frame_.size) needsLayout_ = true;
  frame_ = frame;
}

void View::addSubview(const std::shared_ptr<View>& view) { insertSubview(view, subviews_.size()); }

void View::insertSubview(const std::shared_ptr<View>& view, size_t index) {
  if (!view) return;
  if (isDescendantOfView(view.get())) {
    systemLog("Refused to add " + view->className() + " as a subview of itself or of one of its subviews");
    return;
  }
  view->removeFromSuperview();
  view->superview_ = std::static_pointer_cast<View>(shared_from_this());
  subviews_.insert(subviews_.begin() + std::min(index, subviews_.size()), view);
  view->setNeedsLayout();
}

void View::removeFromSuperview() {
  auto parent = superview_.lock();
  superview_.reset();
  if (!parent) return;
  auto& siblings = parent->subviews_;
  siblings.erase(std::remove_if(siblings.begin(), siblings.end(), [this](const auto& v) { return v.get() == this; }),
                 siblings.end());
}

bool View::isDescendantOfView(const View* view) const {
  for (auto v = std::static_pointer_cast<const View>(shared_from_this()); v; v = v->superview()) {
    if (v.get() == view) return true;
  }
  return false;
}

std::shared_ptr<Window> View::window() const {
  auto root = std::const_pointer_cast<View>(std::static_pointer_cast<const View>(shared_from_this()));
  while (auto parent = root->superview()) root = parent;
  return std::dynamic_pointer_cast<Window>(root);
}

Color View::tintColor() const {
  if (tintColor_) return *tintColor_;
  if (auto parent = superview()) return parent->tintColor();
  return kDefaultTint;
}

void View::layoutIfNeeded() {
  if (needsLayout_) {
    needsLayout_ = false;
    applyConstraints();
    layoutSubviews();
  }
  // A copy: a layout step may add or remove subviews.
  const auto children = subviews_;
  for (const auto& child : children) child->layoutIfNeeded();
}

void View::applyConstraints() {
  for (const auto& constraint : constraints_) {
    if (constraint->attribute() == LayoutAttribute::width) {
      frame_.size.width = constraint->constant();
    } else {
      frame_.size.height = constraint->constant();
    }
  }
}

std::optional<std::string> View::screenText() const { return std::nullopt; }

bool View::setValueForKey(std::string_view key, const Json& value) {
  if (key == "frame") return applyLayoutValue(rectFromLayoutValue(value), [this](Rect r) { setFrame(r); });
  if (key == "backgroundColor") return applyLayoutValue(colorFromLayoutValue(value), [this](Color c) { backgroundColor_ = c; });
  if (key == "tintColor") return applyLayoutValue(colorFromLayoutValue(value), [this](Color c) { tintColor_ = c; });
  if (key == "hidden") return applyLayoutValue(boolFromLayoutValue(value), [this](bool b) { setHidden(b); });
  if (key == "userInteractionEnabled") {
    return applyLayoutValue(boolFromLayoutValue(value), [this](bool b) { userInteractionEnabled_ = b; });
  }
  if (key == "clipsToBounds" || key == "layer.masksToBounds") {
    return applyLayoutValue(boolFromLayoutValue(value), [this](bool b) { layer_.masksToBounds = b; });
  }
  if (key == "contentMode") return applyLayoutValue(contentModeFromName(value), [this](ContentMode m) { contentMode_ = m; });
  if (key == "layer.cornerRadius") {
    return applyLayoutValue(numberFromLayoutValue(value), [this](double d) { layer_.cornerRadius = d; });
  }
  if (key == "layer.shadowColor") {
    return applyLayoutValue(colorFromLayoutValue(value), [this](Color c) { layer_.shadowColor = c; });
  }
  if (key == "layer.shadowOffset") {
    return applyLayoutValue(sizeFromLayoutValue(value), [this](Size s) { layer_.shadowOffset = s; });
  }
  if (key == "layer.shadowRadius") {
    return applyLayoutValue(numberFromLayoutValue(value), [this](double d) { layer_.shadowRadius = d; });
  }
  if (key == "layer.shadowOpacity") {
    return applyLayoutValue(numberFromLayoutValue(value), [this](double d) { layer_.shadowOpacity = d; });
  }
  if (key == "width" || key == "height") {
    const auto attribute = key == "width" ? LayoutAttribute::width : LayoutAttribute::height;
    return applyLayoutValue(numberFromLayoutValue(value), [this, attribute](double d) {
      LayoutConstraint::create(std::static_pointer_cast<View>(shared_from_this()), attribute, d)->setActive(true);
    });
  }
  return Responder::setValueForKey(key, value);
}

void View::initWithCoder(const Coder& coder) {
  Responder::initWithCoder(coder);
  for (const auto& child : coder.decodeChildren()) {
    if (auto view = std::dynamic_pointer_cast<View>(child)) {
      addSubview(view);
    } else {
      coder.fail("a " + child->className() + " cannot be a subview of " + className());
    }
  }
}

std::shared_ptr<LayoutConstraint> LayoutConstraint::create(const std::shared_ptr<View>& item,
                                                           LayoutAttribute attribute, double constant) {
  if (!item) return nullptr;
  return std::shared_ptr<LayoutConstraint>(new LayoutConstraint(item, attribute, constant));
}

void LayoutConstraint::activateConstraints(const std::vector<std::shared_ptr<LayoutConstraint>>& constraints) {
  for (const auto& c : constraints) {
    if (c) c->setActive(true);
  }
}

void LayoutConstraint::setConstant(double constant) {
  constant_ = constant;
  if (auto item = item_.lock()) item->setNeedsLayout();
}

void LayoutConstraint::setActive(bool active) {
  auto item = item_.lock();
  if (!item || active == active_) return;
  active_ = active;
  auto& list = item->constraints_;
  if (active) {
    list.push_back(shared_from_this());
  } else {
    list.erase(std::remove(list.begin(), list.end(), shared_from_this()), list.end());
  }
  item->setNeedsLayout();
}

}  // namespace platform
