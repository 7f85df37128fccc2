#include "platform/ui/Interaction.h"

#include "platform/Queue.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Control.h"
#include "platform/ui/Window.h"

namespace platform {

const char* tapResultName(TapResult result) {
  switch (result) {
    case TapResult::delivered: return "delivered";
    case TapResult::notFound: return "not found";
    case TapResult::notInWindow: return "not in a window";
    case TapResult::inTransition: return "in a transition";
    case TapResult::hidden: return "hidden";
    case TapResult::userInteractionDisabled: return "takes no touches";
    case TapResult::disabled: return "disabled";
    case TapResult::covered: return "covered";
  }
  return "?";
}

TapResult tap(const std::shared_ptr<Control>& control) {
  if (!control) return TapResult::notFound;
  auto window = control->window();
  if (!window) return TapResult::notInWindow;
  if (window->isTransitionInProgress()) return TapResult::inTransition;
  for (std::shared_ptr<View> v = control; v; v = v->superview()) {
    if (v->isHidden()) return TapResult::hidden;
  }
  for (std::shared_ptr<View> v = control; v; v = v->superview()) {
    if (!v->isUserInteractionEnabled()) return TapResult::userInteractionDisabled;
  }
  if (!control->isEnabled()) return TapResult::disabled;
  const auto chain = presentedChain(window);
  if (chain.size() > 1) {
    auto topView = chain.back()->viewIfLoaded();
    if (!topView || !control->isDescendantOfView(topView.get())) return TapResult::covered;
  }
  control->sendActionsForControlEvents(kControlEventTouchDown);
  control->sendActionsForControlEvents(kControlEventTouchUpInside | kControlEventPrimaryActionTriggered);
  return TapResult::delivered;
}

std::shared_ptr<Button> findButtonWithTitle(const std::shared_ptr<View>& root, std::string_view title) {
  for (const auto& button : findViews<Button>(root)) {
    if (button->currentTitle() == title) return button;
  }
  return nullptr;
}

std::vector<std::shared_ptr<ViewController>> presentedChain(const std::shared_ptr<Window>& window) {
  std::vector<std::shared_ptr<ViewController>> chain;
  if (!window) return chain;
  for (auto c = window->rootViewController(); c; c = c->presentedViewController()) chain.push_back(c);
  return chain;
}

std::shared_ptr<ViewController> topPresentedViewController() {
  auto chain = presentedChain(Application::shared().keyWindow());
  return chain.empty() ? nullptr : chain.back();
}

TapResult tapButtonWithTitle(std::string_view title) {
  auto top = topPresentedViewController();
  if (!top) return TapResult::notFound;
  return tap(findButtonWithTitle(top->view(), title));
}

HeadlessWindow::HeadlessWindow(std::shared_ptr<ViewController> root)
    : root_(root ? std::move(root) : std::make_shared<ViewController>()), window_(std::make_shared<Window>()) {
  window_->setRootViewController(root_);
  window_->makeKeyAndVisible();
}

HeadlessWindow::~HeadlessWindow() { window_->setHidden(true); }

bool HeadlessWindow::settle(Duration timeout) const {
  return MainQueue::shared()->runUntil([this] { return !window_->isTransitionInProgress(); }, timeout);
}

}  // namespace platform
