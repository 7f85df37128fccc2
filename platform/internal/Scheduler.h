// The process-wide time keeper behind platform::Clock and every delayed block and timer: it owns the
// virtual clock, the deadline heap and the count of serial and background blocks in flight (what
// "idle" means in virtual time). One instance, made on first use and never destroyed, so queues may
// post to it from any thread until the process ends.
#pragma once

#include <condition_variable>
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
  // for as long as `state` (when given) stays valid and the queue exists.
  void schedule(TimePoint deadline, Duration interval, std::weak_ptr<Queue> target, Task task,
                std::shared_ptr<TimerState> state);
  std::optional<TimePoint> nextDeadline();

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
  };
  struct Later {
    bool operator()(const Entry& a, const Entry& b) const {
      return a.deadline != b.deadline ? a.deadline > b.deadline : a.seq > b.seq;
    }
  };

  Scheduler();
  TimePoint nowLocked() const;
  void run();
  // Takes the earliest entry out of the heap (moved, not copied); the caller holds the lock.
  Entry popLocked();
  // Hands one due entry to its queue and puts a repeating one back; called without the lock. A
  // one-shot block is moved to the queue, so it and what it captures end there.
  void fire(Entry entry, TimePoint now);

  std::mutex mutex_;
  std::condition_variable timerCv_;
  std::condition_variable idleCv_;
  std::vector<Entry> heap_;  // a heap ordered by Later
  uint64_t nextSeq_ = 0;
  bool virtual_ = false;
  TimePoint virtualNow_{};
  std::chrono::system_clock::duration wallShift_{};
  int64_t inFlight_ = 0;
  std::thread thread_;
};

}  // namespace platform::detail
