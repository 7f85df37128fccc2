// The application: its visible windows, the key window, its state and its life-cycle notifications.
// The host app (or a test) reports what the person does with the app through the four life-cycle
// calls; each moves the state and posts its notification on the default notification centre, on the
// calling thread (the main queue). The info values are platform::AppInfo's.
//
// Main queue only.
#pragma once

#include <memory>
#include <vector>

#include "platform/QORPlatformExport.h"

namespace platform {

class Window;

inline constexpr const char* ApplicationDidBecomeActiveNotification = "UIApplicationDidBecomeActiveNotification";
inline constexpr const char* ApplicationWillResignActiveNotification = "UIApplicationWillResignActiveNotification";
inline constexpr const char* ApplicationDidEnterBackgroundNotification = "UIApplicationDidEnterBackgroundNotification";
inline constexpr const char* ApplicationWillEnterForegroundNotification =
    "UIApplicationWillEnterForegroundNotification";

enum class ApplicationState { active, inactive, background };

class QOR_PLATFORM_EXPORT Application {
 public:
  // Made on first use, never destroyed.
  static Application& shared();

  std::shared_ptr<Window> keyWindow() const { return keyWindow_.lock(); }
  const std::vector<std::shared_ptr<Window>>& windows() const { return windows_; }
  ApplicationState applicationState() const { return state_; }

  void willResignActive();
  void didEnterBackground();
  void willEnterForeground();
  void didBecomeActive();

 private:
  friend class Window;
  Application() = default;
  void show(const std::shared_ptr<Window>& window, bool makeKey);
  void hide(const Window* window);
  void post(const char* name);

  std::vector<std::shared_ptr<Window>> windows_;
  std::weak_ptr<Window> keyWindow_;
  ApplicationState state_ = ApplicationState::active;
};

}  // namespace platform
