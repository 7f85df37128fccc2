// The notification centre: observers register for a notification name and are called, in the order
// they registered, on the thread that posts. The centre holds observers weakly: an observer that is
// gone is skipped and dropped, so it need not unregister. A handler runs while its observer is held
// alive for the call, so it may capture the observer's `this`.
//
// Safe from any thread; handlers run without the centre's lock held, so they may add and remove
// observers or post again.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Json.h"
#include "platform/QORPlatformExport.h"

namespace platform {

struct Notification {
  std::string name;
  std::shared_ptr<void> object;
  Json userInfo = Json::object();
};

class QOR_PLATFORM_EXPORT NotificationCenter {
 public:
  using Handler = std::function<void(const Notification&)>;

  static std::shared_ptr<NotificationCenter> defaultCenter();
  static std::shared_ptr<NotificationCenter> create();

  void addObserver(const std::shared_ptr<const void>& observer, std::string name, Handler handler);
  template <class T>
  void addObserver(const std::shared_ptr<T>& observer, std::string name, void (T::*method)(const Notification&)) {
    T* raw = observer.get();
    addObserver(std::shared_ptr<const void>(observer), std::move(name),
                [raw, method](const Notification& n) { (raw->*method)(n); });
  }
  // Every registration of the observer; or only those for the name.
  void removeObserver(const void* observer);
  void removeObserver(const void* observer, const std::string& name);

  void postNotificationName(const std::string& name, std::shared_ptr<void> object = nullptr,
                            Json userInfo = Json::object());
  void postNotification(const Notification& notification);

  // Registrations whose observer is still alive.
  size_t observerCount() const;

 private:
  NotificationCenter() = default;
  struct Entry {
    const void* key;
    std::weak_ptr<const void> observer;
    std::string name;
    std::shared_ptr<const Handler> handler;
  };

  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
};

}  // namespace platform
