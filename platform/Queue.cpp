#include "platform/Queue.h"

#include <algorithm>
#include <thread>
#include <utility>
#include <vector>

#include "platform/internal/Scheduler.h"

namespace platform {
namespace {

using detail::Scheduler;

thread_local const Queue* tCurrentQueue = nullptr;
thread_local int tMainDepth = 0;

class CurrentQueueScope {
 public:
  explicit CurrentQueueScope(const Queue* q) : previous_(std::exchange(tCurrentQueue, q)) {}
  ~CurrentQueueScope() { tCurrentQueue = previous_; }

 private:
  const Queue* previous_;
};

// Threads that serve the serial queues; a queue with work is handed to one of them at a time.
class StrandPool {
 public:
  static StrandPool& instance() {
    static StrandPool* pool = new StrandPool();  // never destroyed, see Scheduler
    return *pool;
  }
  void submit(std::function<void()> job) {
    {
      std::lock_guard lock(mutex_);
      jobs_.push_back(std::move(job));
    }
    cv_.notify_one();
  }

 private:
  StrandPool() {
    const unsigned n = std::max(4u, std::min(8u, std::thread::hardware_concurrency()));
    for (unsigned i = 0; i < n; ++i) std::thread([this] { loop(); }).detach();
  }
  void loop() {
    for (;;) {
      std::function<void()> job;
      {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [this] { return !jobs_.empty(); });
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      job();
    }
  }
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> jobs_;
};

// Threads of the background queue: one more is started whenever every thread is busy, so a task that
// blocks never holds up the others (up to a generous cap).
class BlockingPool {
 public:
  static BlockingPool& instance() {
    static BlockingPool* pool = new BlockingPool();
    return *pool;
  }
  void submit(Task task) {
    bool spawn = false;
    {
      std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
      if (idle_ < tasks_.size() && threads_ < kMaxThreads) {
        ++threads_;
        spawn = true;
      }
    }
    if (spawn) {
      std::thread([this] { loop(); }).detach();
    } else {
      cv_.notify_one();
    }
  }

 private:
  static constexpr size_t kMaxThreads = 64;
  void loop() {
    for (;;) {
      Task task;
      {
        std::unique_lock lock(mutex_);
        ++idle_;
        cv_.wait(lock, [this] { return !tasks_.empty(); });
        --idle_;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Task> tasks_;
  size_t threads_ = 0;
  size_t idle_ = 0;
};

}  // namespace

// --- Timer ---------------------------------------------------------------------------------------

void Timer::invalidate() { state_->valid = false; }
bool Timer::isValid() const { return state_->valid; }

// --- Queue ---------------------------------------------------------------------------------------

// The main queue's run loop fires its own timers (see Scheduler).
static bool isMainQueue(const Queue* queue) { return dynamic_cast<const MainQueue*>(queue) != nullptr; }

void Queue::postAfter(Duration delay, Task task) {
  if (delay < Duration::zero()) delay = Duration::zero();
  auto& scheduler = Scheduler::instance();
  scheduler.schedule(scheduler.now() + delay, Duration::zero(), weak_from_this(), std::move(task), nullptr,
                     isMainQueue(this));
}

std::shared_ptr<Timer> Queue::scheduleRepeating(Duration interval, Task tick) {
  if (interval <= Duration::zero()) interval = std::chrono::milliseconds(1);
  auto state = std::make_shared<detail::TimerState>();
  // The validity is checked again on the queue, so no tick is delivered after invalidate().
  Task guarded = [state, tick = std::move(tick)] {
    if (state->valid) tick();
  };
  auto& scheduler = Scheduler::instance();
  scheduler.schedule(scheduler.now() + interval, interval, weak_from_this(), std::move(guarded), state,
                     isMainQueue(this));
  return std::make_shared<Timer>(state);
}

// --- MainQueue -----------------------------------------------------------------------------------

std::shared_ptr<MainQueue> MainQueue::shared() {
  static auto* queue = [] {
    auto* made = new std::shared_ptr<MainQueue>(new MainQueue());
    // A timer due before the loop's next wake-up wakes it, as a post does.
    Scheduler::instance().setMainWaker([main = made->get()] {
      std::lock_guard lock(main->mutex_);
      main->cv_.notify_all();
    });
    return made;
  }();
  return *queue;
}

void MainQueue::post(Task task) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  cv_.notify_all();
}

const Queue* Queue::current() {
  if (tMainDepth > 0) return MainQueue::shared().get();
  return tCurrentQueue;
}

bool MainQueue::isCurrent() const { return tMainDepth > 0 || tCurrentQueue == this; }

bool MainQueue::runOne() {
  Task task;
  {
    std::lock_guard lock(mutex_);
    if (tasks_.empty()) return false;
    task = std::move(tasks_.front());
    tasks_.pop_front();
  }
  task();
  return true;
}

bool MainQueue::runUntil(const std::function<bool()>& done, Duration timeout) {
  ++tMainDepth;
  struct Leave {
    ~Leave() { --tMainDepth; }
  } leave;
  auto& scheduler = Scheduler::instance();
  const TimePoint deadline = scheduler.now() + timeout;
  for (;;) {
    if (done()) return true;
    scheduler.fireDueMainTimers();
    if (runOne()) continue;
    const TimePoint now = scheduler.now();
    if (now >= deadline) return done();
    if (scheduler.isVirtual()) {
      scheduler.waitIdle(std::chrono::seconds(5));
      if (pendingCount() > 0) continue;
      auto next = scheduler.nextDeadline();
      const TimePoint to = next && *next < deadline ? std::max(*next, now) : deadline;
      scheduler.advance(to - now, /*stepping=*/true);
      continue;
    }
    // Read before the next deadline, so that a timer scheduled in between is not slept through.
    const uint64_t timersSeen = scheduler.mainTimersVersion();
    // Wake up now and then even without a post, since `done` may watch state of other threads.
    TimePoint wakeAt = std::min(deadline, now + std::chrono::milliseconds(50));
    if (auto next = scheduler.nextMainDeadline()) wakeAt = std::min(wakeAt, *next);
    std::unique_lock lock(mutex_);
    cv_.wait_until(lock, wakeAt, [&] { return !tasks_.empty() || scheduler.mainTimersVersion() != timersSeen; });
  }
}

void MainQueue::runFor(Duration duration) {
  runUntil([] { return false; }, duration);
}

void MainQueue::drain() {
  ++tMainDepth;
  auto& scheduler = Scheduler::instance();
  do {
    scheduler.fireDueMainTimers();
  } while (runOne());
  --tMainDepth;
}

void MainQueue::clear() {
  std::deque<Task> dropped;
  {
    std::lock_guard lock(mutex_);
    dropped.swap(tasks_);
  }
}

size_t MainQueue::pendingCount() const {
  std::lock_guard lock(mutex_);
  return tasks_.size();
}

// --- SerialQueue ---------------------------------------------------------------------------------

std::shared_ptr<SerialQueue> SerialQueue::create(std::string label) {
  return std::shared_ptr<SerialQueue>(new SerialQueue(std::move(label)));
}

void SerialQueue::post(Task task) {
  Scheduler::instance().taskQueued();
  bool schedule = false;
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    schedule = !std::exchange(scheduled_, true);
  }
  if (schedule) {
    // The pool keeps the queue alive while it has work, as a dispatch queue does.
    auto self = std::static_pointer_cast<SerialQueue>(shared_from_this());
    StrandPool::instance().submit([self] { self->drain(); });
  }
}

bool SerialQueue::isCurrent() const { return tCurrentQueue == this; }

void SerialQueue::drain() {
  CurrentQueueScope scope(this);
  // A bounded batch, then back of the line, so one busy queue cannot hold a pool thread forever.
  for (int i = 0; i < 64; ++i) {
    Task task;
    {
      std::lock_guard lock(mutex_);
      if (tasks_.empty()) {
        scheduled_ = false;
        return;
      }
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
    task = nullptr;  // captured objects go away on the queue, before it counts as idle
    Scheduler::instance().taskDone();
  }
  auto self = std::static_pointer_cast<SerialQueue>(shared_from_this());
  StrandPool::instance().submit([self] { self->drain(); });
}

void SerialQueue::sync(const Task& task) {
  assert(!isCurrent() && "sync on the current queue would deadlock");
  std::mutex m;
  std::condition_variable cv;
  bool finished = false;
  post([&] {
    task();
    std::lock_guard lock(m);
    finished = true;
    cv.notify_all();
  });
  std::unique_lock lock(m);
  cv.wait(lock, [&] { return finished; });
}

// --- BackgroundQueue -----------------------------------------------------------------------------

std::shared_ptr<BackgroundQueue> BackgroundQueue::global() {
  static auto* queue = new std::shared_ptr<BackgroundQueue>(new BackgroundQueue());
  return *queue;
}

void BackgroundQueue::post(Task task) {
  Scheduler::instance().taskQueued();
  BlockingPool::instance().submit([this, task = std::move(task)]() mutable {
    {
      CurrentQueueScope scope(this);
      task();
      task = nullptr;
    }
    Scheduler::instance().taskDone();
  });
}

bool BackgroundQueue::isCurrent() const { return tCurrentQueue == this; }

}  // namespace platform
