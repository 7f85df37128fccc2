#include "platform/internal/Scheduler.h"

#include <algorithm>

namespace platform {
namespace detail {

Scheduler& Scheduler::instance() {
  // Never destroyed: queues and their threads may still post during process exit.
  static Scheduler* scheduler = new Scheduler();
  return *scheduler;
}

Scheduler::Scheduler() {
  thread_ = std::thread([this] { run(); });
  thread_.detach();
}

TimePoint Scheduler::nowLocked() const { return virtual_ ? virtualNow_ : std::chrono::steady_clock::now(); }

TimePoint Scheduler::now() {
  std::lock_guard lock(mutex_);
  return nowLocked();
}

WallTime Scheduler::wallNow() {
  std::lock_guard lock(mutex_);
  if (!virtual_) return std::chrono::system_clock::now();
  return WallTime(std::chrono::duration_cast<std::chrono::system_clock::duration>(
                      virtualNow_.time_since_epoch())) + wallShift_;
}

bool Scheduler::isVirtual() {
  std::lock_guard lock(mutex_);
  return virtual_;
}

void Scheduler::setVirtual(bool on) {
  {
    std::lock_guard lock(mutex_);
    if (on == virtual_) return;
    if (on) {
      virtualNow_ = std::chrono::steady_clock::now();
      wallShift_ = std::chrono::system_clock::now().time_since_epoch() -
                   std::chrono::duration_cast<std::chrono::system_clock::duration>(virtualNow_.time_since_epoch());
    }
    virtual_ = on;
  }
  timerCv_.notify_all();
}

void Scheduler::schedule(TimePoint deadline, Duration interval, std::weak_ptr<Queue> target, Task task,
                         std::shared_ptr<TimerState> state) {
  {
    std::lock_guard lock(mutex_);
    heap_.push_back(Entry{deadline, nextSeq_++, interval, std::move(target), std::move(task), std::move(state)});
    std::push_heap(heap_.begin(), heap_.end(), Later());
  }
  timerCv_.notify_all();
}

Scheduler::Entry Scheduler::popLocked() {
  std::pop_heap(heap_.begin(), heap_.end(), Later());
  Entry entry = std::move(heap_.back());
  heap_.pop_back();
  return entry;
}

std::optional<TimePoint> Scheduler::nextDeadline() {
  std::lock_guard lock(mutex_);
  while (!heap_.empty() && heap_.front().state && !heap_.front().state->valid) popLocked();
  if (heap_.empty()) return std::nullopt;
  return heap_.front().deadline;
}

void Scheduler::fire(Entry entry, TimePoint now) {
  if (entry.state && !entry.state->valid) return;
  auto queue = entry.target.lock();
  if (!queue) return;
  if (entry.interval <= Duration::zero()) {
    queue->post(std::move(entry.task));
    return;
  }
  queue->post(entry.task);  // a repeating timer keeps its block for the next tick
  auto next = entry.deadline + entry.interval;
  if (next <= now) next += ((now - next) / entry.interval + 1) * entry.interval;
  entry.deadline = next;
  std::lock_guard lock(mutex_);
  entry.seq = nextSeq_++;
  heap_.push_back(std::move(entry));
  std::push_heap(heap_.begin(), heap_.end(), Later());
}

void Scheduler::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (virtual_ || heap_.empty()) {
      // Virtual time moves only through advance(), which fires timers itself.
      timerCv_.wait(lock);
      continue;
    }
    auto now = std::chrono::steady_clock::now();
    if (const TimePoint due = heap_.front().deadline; due > now) {
      // A copy: the heap may grow (and move its entries) while this thread waits.
      timerCv_.wait_until(lock, due);
      continue;
    }
    Entry entry = popLocked();
    lock.unlock();
    fire(std::move(entry), now);
    lock.lock();
  }
}

void Scheduler::advance(Duration d, bool stepping) {
  TimePoint target;
  {
    std::lock_guard lock(mutex_);
    if (!virtual_) return;
    target = virtualNow_ + d;
    if (!stepping) virtualNow_ = target;
  }
  for (;;) {
    std::unique_lock lock(mutex_);
    if (heap_.empty() || heap_.front().deadline > target) {
      virtualNow_ = target;
      return;
    }
    Entry entry = popLocked();
    if (stepping && entry.deadline > virtualNow_) virtualNow_ = entry.deadline;
    const TimePoint now = virtualNow_;
    lock.unlock();
    fire(std::move(entry), stepping ? now : target);
    if (stepping) waitIdle(std::chrono::seconds(5));
  }
}

void Scheduler::taskQueued() {
  std::lock_guard lock(mutex_);
  ++inFlight_;
}

void Scheduler::taskDone() {
  bool idle;
  {
    std::lock_guard lock(mutex_);
    idle = --inFlight_ == 0;
  }
  if (idle) idleCv_.notify_all();
}

bool Scheduler::waitIdle(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return idleCv_.wait_for(lock, limit, [this] { return inFlight_ == 0; });
}

}  // namespace detail

TimePoint Clock::now() { return detail::Scheduler::instance().now(); }
WallTime Clock::wallNow() { return detail::Scheduler::instance().wallNow(); }
bool Clock::isVirtual() { return detail::Scheduler::instance().isVirtual(); }

VirtualTime::VirtualTime() {
  assert(!Clock::isVirtual() && "VirtualTime is not nestable");
  detail::Scheduler::instance().setVirtual(true);
}
VirtualTime::~VirtualTime() { detail::Scheduler::instance().setVirtual(false); }
void VirtualTime::advance(Duration d) { detail::Scheduler::instance().advance(d, /*stepping=*/true); }
void VirtualTime::jump(Duration d) { detail::Scheduler::instance().advance(d, /*stepping=*/false); }
bool VirtualTime::waitForIdle(std::chrono::milliseconds limit) {
  return detail::Scheduler::instance().waitIdle(limit);
}

}  // namespace platform
