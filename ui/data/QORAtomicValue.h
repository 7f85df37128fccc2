// A value read and written whole under a lock: the "atomic" properties of the screens' data objects
// and of the resource provider, which the host app may fill on any thread. The old value is released
// after the lock is let go.
#pragma once

#include <mutex>
#include <utility>

namespace qor {

template <class T>
class QORAtomicValue {
 public:
  QORAtomicValue() = default;
  explicit QORAtomicValue(T value) : value_(std::move(value)) {}
  QORAtomicValue(const QORAtomicValue&) = delete;
  QORAtomicValue& operator=(const QORAtomicValue&) = delete;

  T load() const {
    std::lock_guard lock(mutex_);
    return value_;
  }
  void store(T value) {
    {
      std::lock_guard lock(mutex_);
      std::swap(value_, value);
    }
  }

 private:
  mutable std::mutex mutex_;
  T value_{};
};

}  // namespace qor
