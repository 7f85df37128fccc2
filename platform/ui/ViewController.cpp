#include "platform/ui/ViewController.h"

#include <algorithm>
#include <span>

#include "platform/Queue.h"
#include "platform/SystemLog.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/LayoutValues.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/TransitionLog.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "platform/ui/internal/LayoutLoader.h"

namespace platform {
namespace {

std::string nameOf(const std::shared_ptr<ViewController>& controller) {
  return controller ? controller->className() : "nil";
}

void refuse(std::string from, std::string to, bool animated, const std::string& message) {
  systemLog(message);
  TransitionRecorder::record(
      TransitionRecord{TransitionRecord::Kind::refused, std::move(from), std::move(to), animated, message});
}

std::optional<ModalPresentationStyle> styleFromName(const Json& value) {
  return enumFromLayoutValue<ModalPresentationStyle>(value, {{"automatic", ModalPresentationStyle::automatic},
                                                             {"fullScreen", ModalPresentationStyle::fullScreen},
                                                             {"pageSheet", ModalPresentationStyle::pageSheet},
                                                             {"formSheet", ModalPresentationStyle::formSheet},
                                                             {"overFullScreen", ModalPresentationStyle::overFullScreen}});
}

}  // namespace

// The two transitions, with access to the links of controllers and to their window.
struct PresentationSteps {
  static void present(const std::shared_ptr<ViewController>& presenter, const std::shared_ptr<ViewController>& presented,
                      bool animated, std::function<void()> completion) {
    const std::string from = presenter->className();
    const std::string to = nameOf(presented);
    auto refused = [&](const std::string& why) {
      refuse(from, to, animated, "Attempt to present " + to + " on " + from + " " + why);
    };
    if (!presented) return refused("(nothing to present)");
    auto window = presenter->window();
    if (!window) return refused("whose view is not in the window hierarchy");
    if (window->isTransitionInProgress()) return refused("while a presentation or dismissal is in progress");
    if (presenter->presented_) return refused("which is already presenting " + presenter->presented_->className());
    if (presented == presenter || presented->presenting_.lock() || presented->parent_.lock() ||
        presented->rootOf_.lock()) {
      return refused("which is already on screen");
    }

    presenter->presented_ = presented;
    presented->presenting_ = presenter;
    presented->beingPresented_ = true;
    TransitionRecorder::record(TransitionRecord{TransitionRecord::Kind::present, from, to, animated, {}});
    const bool coversPresenter = presented->modalPresentationStyle() == ModalPresentationStyle::fullScreen;
    window->beginTransition(animated, [presenter, presented, coversPresenter, completion = std::move(completion)] {
      presented->beingPresented_ = false;
      presented->endAppearanceTransition();
      if (coversPresenter) presenter->endAppearanceTransition();
      if (completion) completion();
    });

    auto view = presented->view();
    view->setFrame(window->bounds());
    window->addSubview(view);
    view->layoutIfNeeded();
    presented->beginAppearanceTransition(true, animated);
    if (coversPresenter) presenter->beginAppearanceTransition(false, animated);
  }

  static void dismiss(const std::shared_ptr<ViewController>& receiver, bool animated, std::function<void()> completion) {
    auto target = receiver->presented_ ? receiver : receiver->presenting_.lock();
    if (!target) {
      return refuse(receiver->className(), {}, animated,
                    "Attempt to dismiss from " + receiver->className() + ", which neither presents nor is presented");
    }
    auto window = target->window();
    if (!window) {
      return refuse(target->className(), nameOf(target->presented_), animated,
                    "Attempt to dismiss from " + target->className() + " whose view is not in the window hierarchy");
    }
    if (window->isTransitionInProgress()) {
      return refuse(target->className(), nameOf(target->presented_), animated,
                    "Attempt to dismiss from " + target->className() +
                        " while a presentation or dismissal is in progress");
    }

    std::vector<std::shared_ptr<ViewController>> chain;  // lowest first
    for (auto p = target->presented_; p; p = p->presented_) chain.push_back(p);
    TransitionRecorder::record(TransitionRecord{TransitionRecord::Kind::dismiss, target->className(),
                                                chain.front()->className(), animated, {}});
    for (const auto& p : chain) p->beingDismissed_ = true;
    const bool uncoversTarget = chain.front()->modalPresentationStyle() == ModalPresentationStyle::fullScreen;
    window->beginTransition(animated, [target, chain, uncoversTarget, completion = std::move(completion)] {
      for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const auto& p = *it;
        if (auto view = p->viewIfLoaded()) view->removeFromSuperview();
        p->beingDismissed_ = false;
        p->presented_.reset();
        p->presenting_.reset();
        p->endAppearanceTransition();
      }
      target->presented_.reset();
      if (uncoversTarget) target->endAppearanceTransition();
      if (completion) completion();
    });
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) (*it)->beginAppearanceTransition(false, animated);
    if (uncoversTarget) target->beginAppearanceTransition(true, animated);
  }
};

ViewController::ViewController() = default;
ViewController::~ViewController() = default;

std::string ViewController::className() const { return "UIViewController"; }

std::shared_ptr<View> ViewController::view() {
  if (!view_) {
    const auto keepAlive = shared_from_this();
    loadView();
    if (!view_) view_ = std::make_shared<View>(Screen::mainScreen().bounds());
    viewDidLoad();
  }
  return view_;
}

void ViewController::loadView() {
  if (layoutView_) {
    const std::string layoutName = storyboard_ ? storyboard_->name() : std::string("(storyboard)");
    auto objects = detail::loadLayout(std::span(&*layoutView_, 1), shared_from_this(), layoutName);
    auto view = objects && objects->size() == 1 ? std::dynamic_pointer_cast<View>(objects->front()) : nullptr;
    if (view) {
      view_ = view;
      return;
    }
    // The platform raises here; an empty view keeps the screen usable and the log says why.
    systemLog("Layout " + layoutName + ": the view of " + className() + " could not be made; it gets an empty view");
  }
  view_ = std::make_shared<View>(Screen::mainScreen().bounds());
}

void ViewController::presentViewController(const std::shared_ptr<ViewController>& controller, bool animated,
                                           std::function<void()> completion) {
  PresentationSteps::present(presentationContext(), controller, animated, std::move(completion));
}

void ViewController::dismissViewControllerAnimated(bool animated, std::function<void()> completion) {
  PresentationSteps::dismiss(presentationContext(), animated, std::move(completion));
}

std::shared_ptr<ViewController> ViewController::presentedViewController() const {
  return presentationContext()->presented_;
}

std::shared_ptr<ViewController> ViewController::presentingViewController() const {
  return presentationContext()->presenting_.lock();
}

std::shared_ptr<ViewController> ViewController::presentationContext() const {
  auto context = std::const_pointer_cast<ViewController>(
      std::static_pointer_cast<const ViewController>(shared_from_this()));
  while (auto parent = context->parent_.lock()) context = parent;
  return context;
}

void ViewController::addChildViewController(const std::shared_ptr<ViewController>& child) {
  if (!child || child.get() == this || child->parent_.lock().get() == this) return;
  child->removeFromParentViewController();
  child->parent_ = self();
  children_.push_back(child);
}

void ViewController::removeFromParentViewController() {
  auto parent = parent_.lock();
  parent_.reset();
  if (parent) std::erase_if(parent->children_, [this](const auto& c) { return c.get() == this; });
}

void ViewController::replaceShownChild(const std::shared_ptr<ViewController>& from,
                                       const std::shared_ptr<ViewController>& to) {
  if (from == to) return;
  const bool onScreen = appearance_ == Appearance::appeared || appearance_ == Appearance::appearing;
  if (from) {
    if (onScreen) from->beginAppearanceTransition(false, false);
    if (auto view = from->viewIfLoaded(); view && view->superview() == view_) view->removeFromSuperview();
    if (onScreen) from->endAppearanceTransition();
  }
  if (!to) return;
  if (view_) embedChildView(to);
  if (onScreen) {
    to->beginAppearanceTransition(true, false);
    to->endAppearanceTransition();
  }
}

void ViewController::embedChildView(const std::shared_ptr<ViewController>& child) {
  auto view = child->view();
  view->setFrame(view_->bounds());
  view_->addSubview(view);
}

std::shared_ptr<NavigationController> ViewController::navigationController() const {
  for (auto p = parent_.lock(); p; p = p->parent_.lock()) {
    if (auto nav = std::dynamic_pointer_cast<NavigationController>(p)) return nav;
  }
  return nullptr;
}

std::shared_ptr<TabBarController> ViewController::tabBarController() const {
  for (auto p = parent_.lock(); p; p = p->parent_.lock()) {
    if (auto tab = std::dynamic_pointer_cast<TabBarController>(p)) return tab;
  }
  return nullptr;
}

std::shared_ptr<Window> ViewController::window() const {
  auto context = presentationContext();
  if (auto window = context->rootOf_.lock()) return window;
  if (auto presenter = context->presenting_.lock()) return presenter->window();
  return nullptr;
}

void ViewController::beginAppearanceTransition(bool appearing, bool animated) {
  if (appearing) {
    if (appearance_ == Appearance::appearing || appearance_ == Appearance::appeared) return;
    appearance_ = Appearance::appearing;
    appearanceAnimated_ = animated;
    view();
    viewWillAppear(animated);
  } else {
    if (appearance_ == Appearance::disappearing || appearance_ == Appearance::disappeared) return;
    appearance_ = Appearance::disappearing;
    appearanceAnimated_ = animated;
    viewWillDisappear(animated);
  }
  for (const auto& child : childrenForAppearance()) child->beginAppearanceTransition(appearing, animated);
}

void ViewController::endAppearanceTransition() {
  if (appearance_ == Appearance::appearing) {
    appearance_ = Appearance::appeared;
    viewDidAppear(appearanceAnimated_);
  } else if (appearance_ == Appearance::disappearing) {
    appearance_ = Appearance::disappeared;
    viewDidDisappear(appearanceAnimated_);
  } else {
    return;
  }
  for (const auto& child : childrenForAppearance()) child->endAppearanceTransition();
}

bool ViewController::setValueForKey(std::string_view key, const Json& value) {
  if (key == "title") {
    if (!value.is_string()) return false;
    title_ = value.get<std::string>();
    return true;
  }
  if (key == "modalPresentationStyle") {
    auto style = styleFromName(value);
    if (style) modalPresentationStyle_ = *style;
    return style.has_value();
  }
  return Responder::setValueForKey(key, value);
}

}  // namespace platform
