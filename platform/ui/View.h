// A view of the headless screen: a rectangle in its superview, with subviews drawn in order on top of
// it. It holds its subviews strongly and its superview weakly. Headless, nothing is drawn: the state
// is what the screens set, what the text rendering (ScreenText.h) shows and what tests read.
//
// Layout runs when asked (layoutIfNeeded: the rendering, presentations and tests ask): a view marked
// as needing layout first takes the sizes of its active width and height constraints, then runs
// layoutSubviews, then its subviews do the same.
//
// Main queue only.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/QORPlatformExport.h"
#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Layer.h"
#include "platform/ui/Responder.h"

namespace platform {

class LayoutConstraint;
class Window;

enum class ContentMode { scaleToFill, scaleAspectFit, scaleAspectFill, center };

class QOR_PLATFORM_EXPORT View : public Responder {
 public:
  View() = default;
  explicit View(const Rect& frame) : frame_(frame) {}
  ~View() override;

  std::string className() const override;

  const Rect& frame() const { return frame_; }
  void setFrame(const Rect& frame);
  // Origin 0, 0 and the frame's size.
  Rect bounds() const { return Rect{Point{}, frame_.size}; }

  std::shared_ptr<View> superview() const { return superview_.lock(); }
  const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
  // Moves the view here from any earlier superview, on top of the others. Adding the view itself or
  // one of its ancestors is refused (logged), since it would make a cycle.
  void addSubview(const std::shared_ptr<View>& view);
  // The same, below the subviews from `index` on (on top when `index` is past the last).
  void insertSubview(const std::shared_ptr<View>& view, size_t index);
  void removeFromSuperview();
  bool isDescendantOfView(const View* view) const;
  // The window at the root of the view's superviews; nullptr when it is in none.
  std::shared_ptr<Window> window() const;

  const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(std::optional<Color> color) { backgroundColor_ = color; }
  bool isHidden() const { return hidden_; }
  virtual void setHidden(bool hidden) { hidden_ = hidden; }
  bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
  void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
  // Its own tint colour, else its superview's; a view in no window with none set gives the
  // platform's default blue.
  Color tintColor() const;
  void setTintColor(std::optional<Color> color) { tintColor_ = color; }
  ContentMode contentMode() const { return contentMode_; }
  void setContentMode(ContentMode mode) { contentMode_ = mode; }

  Layer& layer() { return layer_; }
  const Layer& layer() const { return layer_; }
  bool clipsToBounds() const { return layer_.masksToBounds; }
  void setClipsToBounds(bool clips) { layer_.masksToBounds = clips; }

  // The active constraints whose item is this view (see LayoutConstraint).
  const std::vector<std::shared_ptr<LayoutConstraint>>& constraints() const { return constraints_; }

  virtual void layoutSubviews() {}
  void setNeedsLayout() { needsLayout_ = true; }
  void layoutIfNeeded();

  // One line that a person would read off this view in the text rendering, or nullopt for a view
  // that shows nothing of its own (its subviews are still shown).
  virtual std::optional<std::string> screenText() const;
  // True when that line already shows what the subviews show, so the rendering leaves them out.
  virtual bool screenTextCoversSubviews() const { return false; }

  // "frame" [x, y, width, height], "backgroundColor", "tintColor", "hidden", "userInteractionEnabled",
  // "clipsToBounds", "contentMode", "layer.cornerRadius", "layer.masksToBounds", "layer.shadowColor",
  // "layer.shadowOffset" [width, height], "layer.shadowRadius", "layer.shadowOpacity", and "width" /
  // "height" (an active constraint of that size).
  bool setValueForKey(std::string_view key, const Json& value) override;
  void initWithCoder(const Coder& coder) override;

 protected:
  // The platform's defaults differ by class: labels and image views take no touches.
  bool userInteractionEnabled_ = true;

 private:
  friend class LayoutConstraint;
  void applyConstraints();

  Rect frame_;
  std::weak_ptr<View> superview_;
  std::vector<std::shared_ptr<View>> subviews_;
  std::optional<Color> backgroundColor_;
  std::optional<Color> tintColor_;
  bool hidden_ = false;
  ContentMode contentMode_ = ContentMode::scaleToFill;
  Layer layer_;
  std::vector<std::shared_ptr<LayoutConstraint>> constraints_;
  bool needsLayout_ = true;
};

enum class LayoutAttribute { width, height };

// A constraint that fixes the width or height of a view to a constant. While active, its view holds
// it and takes that size at its next layout.
class QOR_PLATFORM_EXPORT LayoutConstraint : public std::enable_shared_from_this<LayoutConstraint> {
 public:
  static std::shared_ptr<LayoutConstraint> create(const std::shared_ptr<View>& item, LayoutAttribute attribute,
                                                  double constant);
  static void activateConstraints(const std::vector<std::shared_ptr<LayoutConstraint>>& constraints);

  std::shared_ptr<View> firstItem() const { return item_.lock(); }
  LayoutAttribute attribute() const { return attribute_; }
  double constant() const { return constant_; }
  void setConstant(double constant);
  bool isActive() const { return active_; }
  void setActive(bool active);

 private:
  LayoutConstraint(const std::shared_ptr<View>& item, LayoutAttribute attribute, double constant)
      : item_(item), attribute_(attribute), constant_(constant) {}

  std::weak_ptr<View> item_;
  const LayoutAttribute attribute_;
  double constant_;
  bool active_ = false;
};

}  // namespace platform
