#include "platform/devices/UNUserNotificationCenter.h"

#include <mutex>

#include "platform/Queue.h"

namespace platform {
namespace {

struct SettingsState {
  std::mutex mutex;
  UNNotificationSettings settings;
};

SettingsState& state() {
  static auto* s = new SettingsState;
  return *s;
}

}  // namespace

UNUserNotificationCenter::UNUserNotificationCenter() : queue_(SerialQueue::create("UNUserNotificationCenter")) {}

std::shared_ptr<UNUserNotificationCenter> UNUserNotificationCenter::currentNotificationCenter() {
  static auto* center = new std::shared_ptr<UNUserNotificationCenter>(new UNUserNotificationCenter);
  return *center;
}

void UNUserNotificationCenter::getNotificationSettingsWithCompletionHandler(
    std::function<void(const UNNotificationSettings&)> handler) {
  if (!handler) return;
  queue_->post([handler = std::move(handler), settings = simulatedSettings()] { handler(settings); });
}

void UNUserNotificationCenter::setSimulatedSettings(const UNNotificationSettings& settings) {
  std::lock_guard lock(state().mutex);
  state().settings = settings;
}

UNNotificationSettings UNUserNotificationCenter::simulatedSettings() {
  std::lock_guard lock(state().mutex);
  return state().settings;
}

}  // namespace platform
