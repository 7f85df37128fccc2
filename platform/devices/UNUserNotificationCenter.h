// The notification settings of the host app (the platform's UserNotifications), as the simulated
// device has them. The settings are read when asked and handed to the block on the centre's own
// serial queue, never on the caller's and never on the main queue.
//
// Safe from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/QORPlatformExport.h"

namespace platform {

class SerialQueue;

enum class UNAuthorizationStatus : int64_t { notDetermined = 0, denied = 1, authorized = 2, provisional = 3 };
enum class UNNotificationSetting : int64_t { notSupported = 0, disabled = 1, enabled = 2 };

struct QOR_PLATFORM_EXPORT UNNotificationSettings {
  UNAuthorizationStatus authorizationStatus = UNAuthorizationStatus::authorized;
  UNNotificationSetting alertSetting = UNNotificationSetting::enabled;
  UNNotificationSetting soundSetting = UNNotificationSetting::enabled;
  UNNotificationSetting badgeSetting = UNNotificationSetting::enabled;
  UNNotificationSetting lockScreenSetting = UNNotificationSetting::enabled;
  UNNotificationSetting notificationCenterSetting = UNNotificationSetting::enabled;

  bool operator==(const UNNotificationSettings& other) const = default;
};

class QOR_PLATFORM_EXPORT UNUserNotificationCenter {
 public:
  static std::shared_ptr<UNUserNotificationCenter> currentNotificationCenter();

  void getNotificationSettingsWithCompletionHandler(std::function<void(const UNNotificationSettings&)> handler);
  // The queue on which the settings arrive.
  const std::shared_ptr<SerialQueue>& settingsQueue() const { return queue_; }

  // Simulation: the settings the device has from now on (by default: authorized, everything on).
  static void setSimulatedSettings(const UNNotificationSettings& settings);
  static UNNotificationSettings simulatedSettings();

 private:
  UNUserNotificationCenter();
  const std::shared_ptr<SerialQueue> queue_;
};

}  // namespace platform
