// The process-wide time keeper behind platform::Clock and every delayed block and timer: it owns the
// virtual clock, the deadline heaps and the count of serial and background blocks in flight (what
// "idle" means in virtual time). One instance, made on first use and never destroyed, so queues may
// post to it from any thread until the process ends.
//
// Timers of the main queue sit in a heap of their own that the main run loop serves in real time:
// it enqueues what is due on its own thread and sleeps until the next deadline, so a tick costs one
// wake-up of the main thread instead of one of the scheduler's thread and then one of the main
// thread. In virtual time both heaps move only with advance(), as one deadline order.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/Queue.h"

namespace platform::detail {

struct TimerState {
  std::atomic<bool> valid{true};
};

class Scheduler {
 public:
  static Scheduler& instance();

  TimePoint now();
  WallTime wallNow();
  bool isVirtual();
  void setVirtual(bool on);

  // Enqueues `task` on `target` at `deadline`, and again every `interval` when that is positive,
  // for as long as `state` (when given) stays valid and the queue exists. `onMain`: the target is
  // the main queue, whose run loop fires it (fireDueMainTimers).
  void schedule(TimePoint deadline, Duration interval, std::weak_ptr<Queue> target, Task task,
                std::shared_ptr<TimerState> state, bool onMain);
  // The earliest deadline of every timer (virtual time's next stop).
  std::optional<TimePoint> nextDeadline();

  // The main run loop's side, in real time. `setMainWaker`: how to wake the loop when a timer
  // earlier than its next deadline is scheduled (called without the scheduler's lock).
  void setMainWaker(std::function<void()> waker);
  // Enqueues the main queue's timers that are due, in deadline order; nothing in virtual time.
  void fireDueMainTimers();
  // The next deadline of a main-queue timer in real time (nullopt: none, or virtual time).
  std::optional<TimePoint> nextMainDeadline();
  // Changes whenever a main-queue timer may have become due earlier than the loop last saw.
  uint64_t mainTimersVersion() const { return mainVersion_.load(std::memory_order_acquire); }

  void advance(Duration d, bool stepping);

  void taskQueued();
  void taskDone();
  bool waitIdle(std::chrono::milliseconds limit);

 private:
  struct Entry {
    TimePoint deadline;
    uint64_t seq;
    Duration interval;
    std::weak_ptr<Queue> target;
    Task task;
    std::shared_ptr<TimerState> state;
    bool onMain;
  };
  struct Later {
    bool operator()(const Entry& a, const Entry& b) const {
      return a.deadline != b.deadline ? a.deadline > b.deadline : a.seq > b.seq;
    }
  };

  using Heap = std::vector<Entry>;  // a heap ordered by Later

  Scheduler();
  TimePoint nowLocked() const;
  void run();
  // Takes the earliest entry out of a heap (moved, not copied); the caller holds the lock.
  static Entry popLocked(Heap& heap);
  // Drops invalidated timers from the front of a heap; the caller holds the lock.
  static void pruneLocked(Heap& heap);
  // The heap that holds the earliest entry of all, or null when both are empty; the caller holds
  // the lock.
  Heap* earliestLocked();
  // Puts an entry into its heap; the caller holds the lock. True when a main-queue entry became the
  // earliest of its heap (the main loop may sleep past it).
  bool pushLocked(Entry entry);
  // Hands one due entry to its queue and puts a repeating one back; called without the lock. A
  // one-shot block is moved to the queue, so it and what it captures end there.
  void fire(Entry entry, TimePoint now);
  // Tells the main loop that its next deadline moved earlier; called without the lock.
  void wakeMain();

  std::mutex mutex_;
  std::condition_variable timerCv_;
  std::condition_variable idleCv_;
  Heap heap_;      // timers of the serial and background queues, served by thread_
  Heap mainHeap_;  // timers of the main queue, served by the main run loop
  std::function<void()> mainWaker_;
  std::atomic<uint64_t> mainVersion_{0};
  uint64_t nextSeq_ = 0;
  bool virtual_ = false;
  TimePoint virtualNow_{};
  std::chrono::system_clock::duration wallShift_{};
  int64_t inFlight_ = 0;
  std::thread thread_;
};

}  // namespace platform::detail
