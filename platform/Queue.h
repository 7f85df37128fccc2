// Queues of the process: the host app's main queue, serial queues and the global background queue.
//
// Every queue takes blocks (`post`), delayed blocks (`postAfter`) and repeating timers, all measured
// by platform::Clock. A block that belongs to an object should be posted with `postFor`, which holds
// the object weakly and does nothing once it is gone.
//
// - MainQueue: a run loop that the host app's thread, or a test, runs with runUntil/runFor. Nothing
//   runs on it while nobody runs it.
// - SerialQueue: blocks run one at a time, in order, on a small shared pool of threads. Must not
//   block for long: a block that waits on the network or on another thread goes to the background
//   queue.
// - BackgroundQueue: concurrent; its threads are its own, so a blocked task never starves the serial
//   queues.
//
// All methods are thread-safe.
#pragma once

#include <atomic>
#include <cassert>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Clock.h"
#include "platform/QORPlatformExport.h"

namespace platform {

using Task = std::function<void()>;

namespace detail {
struct TimerState;
}

// A repeating timer; it goes on until invalidated (dropping the handle does not stop it). The tick
// that runs after `invalidate` returned on the timer's queue is never delivered.
class QOR_PLATFORM_EXPORT Timer {
 public:
  explicit Timer(std::shared_ptr<detail::TimerState> state) : state_(std::move(state)) {}
  void invalidate();
  bool isValid() const;

 private:
  std::shared_ptr<detail::TimerState> state_;
};

class QOR_PLATFORM_EXPORT Queue : public std::enable_shared_from_this<Queue> {
 public:
  virtual ~Queue() = default;

  virtual void post(Task task) = 0;
  // True while the calling thread runs a block of this queue (the main queue: while it runs it).
  virtual bool isCurrent() const = 0;
  // The queue whose block the calling thread runs (the main queue while the thread runs it), or
  // nullptr.
  static const Queue* current();

  void postAfter(Duration delay, Task task);
  // First tick one interval from now, then every interval, phase kept (missed ticks are skipped).
  std::shared_ptr<Timer> scheduleRepeating(Duration interval, Task tick);

  template <class T, class F>
  void postFor(std::weak_ptr<T> owner, F&& fn) {
    post(weakTask(std::move(owner), std::forward<F>(fn)));
  }
  template <class T, class F>
  void postAfterFor(Duration delay, std::weak_ptr<T> owner, F&& fn) {
    postAfter(delay, weakTask(std::move(owner), std::forward<F>(fn)));
  }

  // Makes a block that calls fn(shared_ptr<T>) only while the owner is alive. A mutable fn may move
  // what it captured out, since a block runs once.
  template <class T, class F>
  static Task weakTask(std::weak_ptr<T> owner, F&& fn) {
    return [owner = std::move(owner), fn = std::forward<F>(fn)]() mutable {
      if (auto strong = owner.lock()) fn(strong);
    };
  }
};

class QOR_PLATFORM_EXPORT MainQueue final : public Queue {
 public:
  static std::shared_ptr<MainQueue> shared();

  void post(Task task) override;
  bool isCurrent() const override;

  // Runs blocks until `done` answers true or `timeout` has passed (platform::Clock time); returns the
  // last answer of `done`. In virtual time, when the main queue and the serial and background queues
  // are idle, time is moved to the next timer or to the time-out, so a wait never hangs.
  bool runUntil(const std::function<bool()>& done, Duration timeout);
  void runFor(Duration duration);
  // Runs the blocks that are ready now, and those they post, until none is left.
  void drain();
  // Drops every pending block (tests, between cases).
  void clear();
  size_t pendingCount() const;

 private:
  MainQueue() = default;
  bool runOne();

  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Task> tasks_;
};

class QOR_PLATFORM_EXPORT SerialQueue final : public Queue {
 public:
  static std::shared_ptr<SerialQueue> create(std::string label);

  void post(Task task) override;
  bool isCurrent() const override;
  const std::string& label() const { return label_; }
  // Runs the block on this queue and waits for it. Never call it from the queue itself.
  void sync(const Task& task);

 private:
  explicit SerialQueue(std::string label) : label_(std::move(label)) {}
  void drain();

  const std::string label_;
  std::mutex mutex_;
  std::deque<Task> tasks_;
  bool scheduled_ = false;
};

class QOR_PLATFORM_EXPORT BackgroundQueue final : public Queue {
 public:
  static std::shared_ptr<BackgroundQueue> global();

  void post(Task task) override;
  bool isCurrent() const override;

 private:
  BackgroundQueue() = default;
};

}  // namespace platform

// Debug check that a method runs on the queue its object belongs to.
#define QOR_DCHECK_ON_QUEUE(queue) assert((queue) && (queue)->isCurrent())
