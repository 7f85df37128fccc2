// Counts a number of seconds down to zero and reports the time left ten times a second, on the main
// queue, to every callback: as "m:ss", as whole seconds and as the fraction of the time left.
//
// The ticks run on the global background queue (a 0.1 s repeating timer); the callbacks run on the
// main queue, the last one added first. The count follows the clock, not the number of ticks, so a
// late tick reports the time really left. Every method may be called from any thread. While running,
// the ticks keep the object alive; they end when the count reaches zero or on `invalidate`.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Queue.h"

namespace qor {

class QORAuthTimer : public std::enable_shared_from_this<QORAuthTimer> {
 public:
  // The time left as text, the whole seconds left and the fraction left (0 to 1).
  using Callback = std::function<void(const std::string& text, int32_t seconds, float fraction)>;

  // Not running yet; `callback` is the first of the list.
  static std::shared_ptr<QORAuthTimer> create(int32_t time, Callback callback);

  // Starts the ticks, once.
  void start();
  // Stops the ticks and removes every callback, once. Reports already handed to the main queue still
  // run, with the time left when they run.
  void invalidate();

  void appendCallback(Callback callback);
  // Removes the last callback; nothing when there is none.
  void removeLastCallback();
  int64_t callbacksCount() const;

  int32_t initialSeconds() const { return initialSeconds_; }
  // Seconds left as of the last tick; may end slightly below zero.
  double currentSeconds() const { return currentSeconds_.load(); }
  bool isStarted() const { return isStarted_.load(); }
  bool isInvalidated() const;
  // The moment of the last time update (platform::Clock).
  platform::TimePoint lastCatchedDate() const;

 private:
  QORAuthTimer(int32_t time, Callback callback);

  void setInitialTime();
  void setupTimer();
  void executeTimerCompletion();
  void updateTime();
  void executeCallbacks(const std::vector<Callback>& callbacks);
  void report(const Callback& callback) const;
  void stopTicks();

  const int32_t initialSeconds_;
  std::atomic<double> currentSeconds_;
  std::atomic<bool> isStarted_{false};

  mutable std::mutex mutex_;  // guards what follows; never held while a callback runs
  std::vector<Callback> completions_;
  std::shared_ptr<platform::Timer> timer_;
  bool isInvalidated_ = false;
  platform::TimePoint lastCatchedDate_{};
  platform::TimePoint endTime_{};
};

}  // namespace qor
