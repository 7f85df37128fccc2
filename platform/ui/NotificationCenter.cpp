#include "platform/ui/NotificationCenter.h"

#include <algorithm>

namespace platform {

std::shared_ptr<NotificationCenter> NotificationCenter::defaultCenter() {
  static auto* center = new std::shared_ptr<NotificationCenter>(create());
  return *center;
}

std::shared_ptr<NotificationCenter> NotificationCenter::create() {
  return std::shared_ptr<NotificationCenter>(new NotificationCenter);
}

void NotificationCenter::addObserver(const std::shared_ptr<const void>& observer, std::string name, Handler handler) {
  if (!observer || !handler) return;
  std::lock_guard lock(mutex_);
  entries_.push_back(
      Entry{observer.get(), observer, std::move(name), std::make_shared<const Handler>(std::move(handler))});
}

void NotificationCenter::removeObserver(const void* observer) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [observer](const Entry& e) { return e.key == observer; });
}

void NotificationCenter::removeObserver(const void* observer, const std::string& name) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [&](const Entry& e) { return e.key == observer && e.name == name; });
}

void NotificationCenter::postNotificationName(const std::string& name, std::shared_ptr<void> object, Json userInfo) {
  postNotification(Notification{name, std::move(object), std::move(userInfo)});
}

void NotificationCenter::postNotification(const Notification& notification) {
  std::vector<std::pair<std::weak_ptr<const void>, std::shared_ptr<const Handler>>> due;
  {
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [](const Entry& e) { return e.observer.expired(); });
    for (const auto& e : entries_) {
      if (e.name == notification.name) due.emplace_back(e.observer, e.handler);
    }
  }
  for (const auto& [weak, handler] : due) {
    auto observer = weak.lock();
    if (!observer) continue;
    // Removed while an earlier handler of this post ran: not called any more.
    {
      std::lock_guard lock(mutex_);
      const bool stillThere = std::any_of(entries_.begin(), entries_.end(),
                                          [&handler = handler](const Entry& e) { return e.handler == handler; });
      if (!stillThere) continue;
    }
    (*handler)(notification);
  }
}

size_t NotificationCenter::observerCount() const {
  std::lock_guard lock(mutex_);
  return std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.observer.expired(); });
}

}  // namespace platform
