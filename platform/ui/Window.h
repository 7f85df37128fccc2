// A window: the root of a view tree, holding the root view controller, whose view fills it, and the
// views of the controllers presented over it, on top in order. The application keeps every visible
// window; the key window is the one that last called makeKeyAndVisible. Hiding a window takes it out
// of the application (the key window is then the last visible one, or none).
//
// A window also runs the transitions of its controllers, one at a time (see ViewController.h).
//
// Main queue only.
#pragma once

#include <functional>
#include <memory>

#include "platform/QORPlatformExport.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"

namespace platform {

class QOR_PLATFORM_EXPORT Window : public View {
 public:
  // A window of the main screen's size.
  Window();
  explicit Window(const Rect& frame) : View(frame) {}
  ~Window() override;
  std::string className() const override;

  std::shared_ptr<ViewController> rootViewController() const { return root_; }
  // The root's view fills the window; the old root leaves (and disappears when the window is shown).
  void setRootViewController(std::shared_ptr<ViewController> controller);

  void makeKeyAndVisible();
  bool isKeyWindow() const;
  void setHidden(bool hidden) override;

  bool isTransitionInProgress() const { return static_cast<bool>(transitionEnd_); }

 private:
  friend struct PresentationSteps;
  // Ends the transition after its duration; `end` runs on the main queue.
  void beginTransition(bool animated, std::function<void()> end);

  std::shared_ptr<ViewController> root_;
  std::function<void()> transitionEnd_;
};

}  // namespace platform
