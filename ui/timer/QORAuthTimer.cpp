#include "ui/timer/QORAuthTimer.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace qor {
namespace {

constexpr platform::Duration kTickInterval = std::chrono::milliseconds(100);

// "m:ss" of `seconds` (not negative); whole hours are not shown.
std::string remainingText(int64_t seconds) {
  char text[16];
  std::snprintf(text, sizeof text, "%.1d:%.2d", static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return text;
}

}  // namespace

std::shared_ptr<QORAuthTimer> QORAuthTimer::create(int32_t time, Callback callback) {
  return std::shared_ptr<QORAuthTimer>(new QORAuthTimer(time, std::move(callback)));
}

QORAuthTimer::QORAuthTimer(int32_t time, Callback callback) : initialSeconds_(time), currentSeconds_(time) {
  completions_.push_back(std::move(callback));
}

void QORAuthTimer::start() {
  if (isStarted_.exchange(true)) return;
  // Held while the timer is made, so that no tick runs before `timer_` is set.
  std::lock_guard lock(mutex_);
  setInitialTime();
  setupTimer();
}

void QORAuthTimer::invalidate() {
  std::shared_ptr<platform::Timer> timer;
  std::vector<Callback> dropped;  // destroyed outside the lock: a callback's captures may call back in
  {
    std::lock_guard lock(mutex_);
    if (std::exchange(isInvalidated_, true)) return;
    timer = timer_;
    dropped.swap(completions_);
  }
  if (timer) timer->invalidate();
}

void QORAuthTimer::appendCallback(Callback callback) {
  std::lock_guard lock(mutex_);
  completions_.push_back(std::move(callback));
}

void QORAuthTimer::removeLastCallback() {
  Callback dropped;
  std::lock_guard lock(mutex_);
  if (completions_.empty()) return;
  dropped = std::move(completions_.back());
  completions_.pop_back();
}

int64_t QORAuthTimer::callbacksCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int64_t>(completions_.size());
}

bool QORAuthTimer::isInvalidated() const {
  std::lock_guard lock(mutex_);
  return isInvalidated_;
}

platform::TimePoint QORAuthTimer::lastCatchedDate() const {
  std::lock_guard lock(mutex_);
  return lastCatchedDate_;
}

void QORAuthTimer::setInitialTime() {
  lastCatchedDate_ = platform::Clock::now();
  endTime_ = lastCatchedDate_ + std::chrono::seconds(initialSeconds_);
}

void QORAuthTimer::setupTimer() {
  // The ticks hold the object: it counts down even when its owner lets go, until the end.
  timer_ = platform::BackgroundQueue::global()->scheduleRepeating(
      kTickInterval, [self = shared_from_this()] { self->executeTimerCompletion(); });
}

void QORAuthTimer::executeTimerCompletion() {
  std::vector<Callback> callbacks;
  {
    std::lock_guard lock(mutex_);
    updateTime();
    callbacks = completions_;
  }
  executeCallbacks(callbacks);
  if (currentSeconds_.load() <= 0) {
    invalidate();
    stopTicks();  // also when the timer was invalidated before it started
  }
}

void QORAuthTimer::updateTime() {
  const platform::TimePoint now = platform::Clock::now();
  // Measured from the end rather than summed tick by tick, so rounding leaves no sliver after the end.
  currentSeconds_.store(platform::toSeconds(endTime_ - now));
  lastCatchedDate_ = now;
}

void QORAuthTimer::executeCallbacks(const std::vector<Callback>& callbacks) {
  auto main = platform::MainQueue::shared();
  auto self = shared_from_this();
  for (auto it = callbacks.rbegin(); it != callbacks.rend(); ++it) {
    main->post([self, callback = *it] { self->report(callback); });
  }
}

void QORAuthTimer::report(const Callback& callback) const {
  if (!callback) return;
  // A late tick may leave the count below zero; what a person reads stops at 0:00.
  const double left = std::max(currentSeconds_.load(), 0.0);
  const auto whole = static_cast<int64_t>(left);
  const float fraction = initialSeconds_ > 0 ? static_cast<float>(left / initialSeconds_) : 0.0f;
  callback(remainingText(whole), static_cast<int32_t>(whole), fraction);
}

void QORAuthTimer::stopTicks() {
  std::shared_ptr<platform::Timer> timer;
  {
    std::lock_guard lock(mutex_);
    timer = timer_;
  }
  if (timer) timer->invalidate();
}

}  // namespace qor
