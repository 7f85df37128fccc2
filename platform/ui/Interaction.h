// What tests and the demo do on the headless screen in place of a person: tap controls, find them,
// walk the presented chain, and own a key window for the time of a test.
//
// Main queue only.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/Clock.h"

namespace platform {

class Button;
class Control;
class View;
class ViewController;
class Window;

enum class TapResult {
  delivered,
  notFound,                 // no such control
  notInWindow,              // the control is in no window
  inTransition,             // a presentation or dismissal is under way in its window
  hidden,                   // the control or one of its superviews is hidden
  userInteractionDisabled,  // the control or one of its superviews takes no touches
  disabled,                 // the control is not enabled
  covered,                  // a presented controller lies over it
};
QOR_PLATFORM_EXPORT const char* tapResultName(TapResult result);

// A finger on the control: when every rule lets the touch through, the control sends its touch-down,
// touch-up-inside and primary actions.
QOR_PLATFORM_EXPORT TapResult tap(const std::shared_ptr<Control>& control);

// The first button, in tree order, whose current title is `title`.
QOR_PLATFORM_EXPORT std::shared_ptr<Button> findButtonWithTitle(const std::shared_ptr<View>& root, std::string_view title);
// Every view of the type in the tree, in tree order, the root included.
template <class T>
std::vector<std::shared_ptr<T>> findViews(const std::shared_ptr<View>& root);

// The root controller of the window and the controllers presented over it, lowest first; empty
// without a window or root.
QOR_PLATFORM_EXPORT std::vector<std::shared_ptr<ViewController>> presentedChain(const std::shared_ptr<Window>& window);
// The last of the key window's presented chain: the controller whose view takes the touches.
QOR_PLATFORM_EXPORT std::shared_ptr<ViewController> topPresentedViewController();
// Taps the button of that title on the top presented controller of the key window.
QOR_PLATFORM_EXPORT TapResult tapButtonWithTitle(std::string_view title);

// A key window with a root controller (a plain one when none is given) for the lifetime of the
// object; it leaves the application when the object goes.
class QOR_PLATFORM_EXPORT HeadlessWindow {
 public:
  explicit HeadlessWindow(std::shared_ptr<ViewController> root = nullptr);
  ~HeadlessWindow();
  HeadlessWindow(const HeadlessWindow&) = delete;
  HeadlessWindow& operator=(const HeadlessWindow&) = delete;

  const std::shared_ptr<Window>& window() const { return window_; }
  const std::shared_ptr<ViewController>& root() const { return root_; }
  // Runs the main queue until no transition is under way in the window; false after the time-out.
  // In virtual time the clock moves on by itself.
  bool settle(Duration timeout = seconds(5)) const;

 private:
  std::shared_ptr<ViewController> root_;
  std::shared_ptr<Window> window_;
};

}  // namespace platform

#include "platform/QORPlatformExport.h"
#include "platform/ui/View.h"

namespace platform {

template <class T>
std::vector<std::shared_ptr<T>> findViews(const std::shared_ptr<View>& root) {
  std::vector<std::shared_ptr<T>> out;
  if (!root) return out;
  std::vector<std::shared_ptr<View>> pending{root};
  while (!pending.empty()) {
    auto view = pending.back();
    pending.pop_back();
    if (auto typed = std::dynamic_pointer_cast<T>(view)) out.push_back(typed);
    const auto& children = view->subviews();
    pending.insert(pending.end(), children.rbegin(), children.rend());
  }
  return out;
}

}  // namespace platform
