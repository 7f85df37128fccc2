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
  wakeMain();
}

void Scheduler::setMainWaker(std::function<void()> waker) {
  std::lock_guard lock(mutex_);
  mainWaker_ = std::move(waker);
}

void Scheduler::wakeMain() {
  std::function<void()> waker;
  {
    std::lock_guard lock(mutex_);
    waker = mainWaker_;
  }
  mainVersion_.fetch_add(1, std::memory_order_acq_rel);
  if (waker) waker();
}

bool Scheduler::pushLocked(Entry entry) {
  Heap& heap = entry.onMain ? mainHeap_ : heap_;
  const bool onMain = entry.onMain;
  const uint64_t seq = entry.seq;
  heap.push_back(std::move(entry));
  std::push_heap(heap.begin(), heap.end(), Later());
  return onMain && heap.front().seq == seq;
}

void Scheduler::schedule(TimePoint deadline, Duration interval, std::weak_ptr<Queue> target, Task task,
                         std::shared_ptr<TimerState> state, bool onMain) {
  bool earliestOnMain;
  {
    std::lock_guard lock(mutex_);
    earliestOnMain = pushLocked(
        Entry{deadline, nextSeq_++, interval, std::move(target), std::move(task), std::move(state), onMain});
  }
  if (onMain) {
    if (earliestOnMain) wakeMain();
  } else {
    timerCv_.notify_all();
  }
}

Scheduler::Entry Scheduler::popLocked(Heap& heap) {
  std::pop_heap(heap.begin(), heap.end(), Later());
  Entry entry = std::move(heap.back());
  heap.pop_back();
  return entry;
}

void Scheduler::pruneLocked(Heap& heap) {
  while (!heap.empty() && heap.front().state && !heap.front().state->valid) popLocked(heap);
}

Scheduler::Heap* Scheduler::earliestLocked() {
  if (heap_.empty()) return mainHeap_.empty() ? nullptr : &mainHeap_;
  if (mainHeap_.empty()) return &heap_;
  return Later()(heap_.front(), mainHeap_.front()) ? &mainHeap_ : &heap_;
}

std::optional<TimePoint> Scheduler::nextDeadline() {
  std::lock_guard lock(mutex_);
  pruneLocked(heap_);
  pruneLocked(mainHeap_);
  if (Heap* heap = earliestLocked()) return heap->front().deadline;
  return std::nullopt;
}

std::optional<TimePoint> Scheduler::nextMainDeadline() {
  std::lock_guard lock(mutex_);
  if (virtual_) return std::nullopt;
  pruneLocked(mainHeap_);
  if (mainHeap_.empty()) return std::nullopt;
  return mainHeap_.front().deadline;
}

void Scheduler::fireDueMainTimers() {
  for (;;) {
    Entry entry{};
    TimePoint now;
    {
      std::lock_guard lock(mutex_);
      if (virtual_ || mainHeap_.empty()) return;
      now = std::chrono::steady_clock::now();
      if (mainHeap_.front().deadline > now) return;
      entry = popLocked(mainHeap_);
    }
    fire(std::move(entry), now);
  }
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
  pushLocked(std::move(entry));
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
    Entry entry = popLocked(heap_);
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
    Heap* heap = earliestLocked();
    if (!heap || heap->front().deadline > target) {
      virtualNow_ = target;
      return;
    }
    Entry entry = popLocked(*heap);
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
