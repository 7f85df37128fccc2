#include "platform/ui/Window.h"

#include <algorithm>

#include "platform/Queue.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"

namespace platform {

Window::Window() : View(Screen::mainScreen().bounds()) {}

Window::~Window() = default;

std::string Window::className() const { return "UIWindow"; }

void Window::setRootViewController(std::shared_ptr<ViewController> controller) {
  if (controller == root_) return;
  const auto& shownWindows = Application::shared().windows();
  const bool shown = std::any_of(shownWindows.begin(), shownWindows.end(), [this](const auto& w) { return w.get() == this; });
  if (auto old = std::exchange(root_, controller)) {
    old->rootOf_.reset();
    if (auto view = old->viewIfLoaded(); view && view->superview().get() == this) view->removeFromSuperview();
    if (shown) {
      old->beginAppearanceTransition(false, false);
      old->endAppearanceTransition();
    }
  }
  if (!controller) return;
  controller->rootOf_ = std::static_pointer_cast<Window>(shared_from_this());
  auto view = controller->view();
  view->setFrame(bounds());
  insertSubview(view, 0);
  if (shown) {
    controller->beginAppearanceTransition(true, false);
    controller->endAppearanceTransition();
  }
}

void Window::makeKeyAndVisible() {
  View::setHidden(false);
  Application::shared().show(std::static_pointer_cast<Window>(shared_from_this()), true);
  layoutIfNeeded();
  if (root_) {
    root_->beginAppearanceTransition(true, false);
    root_->endAppearanceTransition();
  }
}

bool Window::isKeyWindow() const { return Application::shared().keyWindow().get() == this; }

void Window::setHidden(bool hidden) {
  View::setHidden(hidden);
  if (hidden) {
    Application::shared().hide(this);
  } else {
    Application::shared().show(std::static_pointer_cast<Window>(shared_from_this()), false);
  }
  if (root_) {
    root_->beginAppearanceTransition(!hidden, false);
    root_->endAppearanceTransition();
  }
}

void Window::beginTransition(bool animated, std::function<void()> end) {
  transitionEnd_ = std::move(end);
  const std::weak_ptr<Window> weak = std::static_pointer_cast<Window>(shared_from_this());
  auto finish = [](const std::shared_ptr<Window>& window) {
    // Taken out first: the completion may start the next transition.
    if (auto done = std::exchange(window->transitionEnd_, {})) done();
  };
  if (animated) {
    MainQueue::shared()->postAfterFor(kAnimatedTransitionDuration, weak, finish);
  } else {
    MainQueue::shared()->postFor(weak, finish);
  }
}

}  // namespace platform
