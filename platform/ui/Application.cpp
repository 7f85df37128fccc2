#include "platform/ui/Application.h"

#include <algorithm>

#include "platform/ui/NotificationCenter.h"
#include "platform/ui/Window.h"

namespace platform {

Application& Application::shared() {
  static auto* application = new Application;
  return *application;
}

void Application::show(const std::shared_ptr<Window>& window, bool makeKey) {
  if (std::find(windows_.begin(), windows_.end(), window) == windows_.end()) windows_.push_back(window);
  if (makeKey || keyWindow_.expired()) keyWindow_ = window;
}

void Application::hide(const Window* window) {
  std::erase_if(windows_, [window](const auto& w) { return w.get() == window; });
  if (keyWindow_.lock().get() == window) {
    keyWindow_.reset();
    if (!windows_.empty()) keyWindow_ = windows_.back();
  }
}

void Application::post(const char* name) { NotificationCenter::defaultCenter()->postNotificationName(name); }

void Application::willResignActive() {
  state_ = ApplicationState::inactive;
  post(ApplicationWillResignActiveNotification);
}

void Application::didEnterBackground() {
  state_ = ApplicationState::background;
  post(ApplicationDidEnterBackgroundNotification);
}

void Application::willEnterForeground() {
  state_ = ApplicationState::inactive;
  post(ApplicationWillEnterForegroundNotification);
}

void Application::didBecomeActive() {
  state_ = ApplicationState::active;
  post(ApplicationDidBecomeActiveNotification);
}

}  // namespace platform
