// A view controller: one screen. Its view is made lazily, on the first call to view(): loadView
// (from the layout of its storyboard scene, else a plain view of the main screen's size), then
// viewDidLoad. Appearance calls (viewWillAppear ... viewDidDisappear) come in pairs as it comes on
// and leaves the screen.
//
// Presentation. present/dismiss work as on the platform, headless:
// - A controller presents one controller at a time; the presented one holds the link back weakly.
//   A child inside a container presents through its topmost ancestor, and reads the presented and
//   presenting controllers of that ancestor.
// - A transition takes kAnimatedTransitionDuration when animated, else until the next turn of the
//   main queue. While one is under way in a window, every other present or dismiss in that window is
//   refused, as are presenting from a controller that already presents, presenting a controller that
//   is already shown, and presenting from a controller whose window hierarchy has no window: the
//   refusal is written to the system log and recorded (TransitionLog.h), and the completion is never
//   called, so a caller that must get through defers and tries again.
// - Completions run on the main queue when the transition ends, after viewDidAppear/viewDidDisappear.
// - dismiss on a controller that presents dismisses everything above it; on one that presents
//   nothing, its presenter dismisses it. With nothing to dismiss the call is refused like the rest.
// - A full-screen presentation makes the presenter disappear and appear again when it is dismissed;
//   the other styles leave the presenter on screen.
//
// Main queue only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/QORPlatformExport.h"
#include "platform/ui/LayoutNode.h"
#include "platform/ui/Responder.h"

namespace platform {

class NavigationController;
class Storyboard;
class TabBarController;
class View;
class Window;

enum class ModalPresentationStyle { automatic, fullScreen, pageSheet, formSheet, overFullScreen };

inline constexpr Duration kAnimatedTransitionDuration = seconds(0.3);

class QOR_PLATFORM_EXPORT ViewController : public Responder {
 public:
  ViewController();
  ~ViewController() override;
  std::string className() const override;

  // The view, loaded first when it is not yet.
  std::shared_ptr<View> view();
  std::shared_ptr<View> viewIfLoaded() const { return view_; }
  bool isViewLoaded() const { return view_ != nullptr; }
  // For loadView overrides.
  void setView(std::shared_ptr<View> view) { view_ = std::move(view); }
  virtual void loadView();
  virtual void viewDidLoad() {}
  virtual void viewWillAppear(bool /*animated*/) {}
  virtual void viewDidAppear(bool /*animated*/) {}
  virtual void viewWillDisappear(bool /*animated*/) {}
  virtual void viewDidDisappear(bool /*animated*/) {}

  const std::optional<std::string>& title() const { return title_; }
  void setTitle(std::optional<std::string> title) { title_ = std::move(title); }
  ModalPresentationStyle modalPresentationStyle() const { return modalPresentationStyle_; }
  void setModalPresentationStyle(ModalPresentationStyle style) { modalPresentationStyle_ = style; }
  // The storyboard this controller was made from; nullptr when made in code.
  const std::shared_ptr<Storyboard>& storyboard() const { return storyboard_; }

  void presentViewController(const std::shared_ptr<ViewController>& controller, bool animated,
                             std::function<void()> completion = {});
  void dismissViewControllerAnimated(bool animated, std::function<void()> completion = {});
  std::shared_ptr<ViewController> presentedViewController() const;
  std::shared_ptr<ViewController> presentingViewController() const;
  bool isBeingPresented() const { return beingPresented_; }
  bool isBeingDismissed() const { return beingDismissed_; }

  std::shared_ptr<ViewController> parentViewController() const { return parent_.lock(); }
  const std::vector<std::shared_ptr<ViewController>>& childViewControllers() const { return children_; }
  void addChildViewController(const std::shared_ptr<ViewController>& child);
  void removeFromParentViewController();
  // The nearest container of that kind among the ancestors (itself excluded).
  std::shared_ptr<NavigationController> navigationController() const;
  std::shared_ptr<TabBarController> tabBarController() const;

  // The window whose hierarchy holds this controller (as its root, through presenters or through
  // containers); nullptr when none does.
  std::shared_ptr<Window> window() const;

  // Containers pass their own appearance on to the children they show.
  void beginAppearanceTransition(bool appearing, bool animated);
  void endAppearanceTransition();
  bool isAppeared() const { return appearance_ == Appearance::appeared; }

  // "title", "modalPresentationStyle" ("fullScreen", "pageSheet", ...).
  bool setValueForKey(std::string_view key, const Json& value) override;

 protected:
  // The children that appear and disappear with this controller (containers: the one they show).
  virtual std::vector<std::shared_ptr<ViewController>> childrenForAppearance() const { return {}; }
  // Containers that show one child at a time: `to` takes the place of `from` in this controller's
  // view, with their appearance calls when this controller is on screen.
  void replaceShownChild(const std::shared_ptr<ViewController>& from, const std::shared_ptr<ViewController>& to);
  // Puts the child's view into this controller's (loaded) view, filling it.
  void embedChildView(const std::shared_ptr<ViewController>& child);

 private:
  friend class Storyboard;
  friend class Window;
  friend struct PresentationSteps;
  enum class Appearance { disappeared, appearing, appeared, disappearing };

  // The topmost ancestor, through which presentations go.
  std::shared_ptr<ViewController> presentationContext() const;
  std::shared_ptr<ViewController> self() { return std::static_pointer_cast<ViewController>(shared_from_this()); }

  std::shared_ptr<View> view_;
  std::optional<std::string> title_;
  ModalPresentationStyle modalPresentationStyle_ = ModalPresentationStyle::automatic;
  std::shared_ptr<Storyboard> storyboard_;
  std::optional<LayoutNode> layoutView_;  // the scene's view, made on first use

  std::shared_ptr<ViewController> presented_;
  std::weak_ptr<ViewController> presenting_;
  bool beingPresented_ = false;
  bool beingDismissed_ = false;
  std::weak_ptr<ViewController> parent_;
  std::vector<std::shared_ptr<ViewController>> children_;
  std::weak_ptr<Window> rootOf_;  // set while it is the root of a window
  Appearance appearance_ = Appearance::disappeared;
  bool appearanceAnimated_ = false;
};

}  // namespace platform
