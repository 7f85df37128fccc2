#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Queue.h"

using namespace std::chrono_literals;
using platform::BackgroundQueue;
using platform::Clock;
using platform::MainQueue;
using platform::SerialQueue;
using platform::VirtualTime;

namespace {

class Recorder {
 public:
  void add(std::string s) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(s));
  }
  std::vector<std::string> events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  size_t size() {
    std::lock_guard lock(mutex_);
    return events_.size();
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> events_;
};

TEST(MainQueue, RunsPostsInOrderIncludingThosePostedWhileRunning) {
  auto main = MainQueue::shared();
  std::vector<int> order;
  main->post([&] {
    order.push_back(1);
    main->post([&] { order.push_back(3); });
  });
  main->post([&] { order.push_back(2); });
  EXPECT_TRUE(main->runUntil([&] { return order.size() == 3; }, 1s));
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(MainQueue, RunUntilReturnsFalseOnItsTimeoutInRealTime) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(MainQueue::shared()->runUntil([] { return false; }, 100ms));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, 100ms);
  EXPECT_LT(waited, 2s);
}

TEST(MainQueue, IsCurrentOnlyWhileRunning) {
  auto main = MainQueue::shared();
  EXPECT_FALSE(main->isCurrent());
  bool inside = false;
  main->post([&] { inside = main->isCurrent(); });
  main->drain();
  EXPECT_TRUE(inside);
}

TEST(MainQueue, BlocksPostedFromOtherThreadsArrive) {
  auto main = MainQueue::shared();
  std::atomic<int> count{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 100; ++i) main->post([&] { ++count; });
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_TRUE(main->runUntil([&] { return count == 400; }, 5s));
}

TEST(VirtualClock, DelayedPostsRunInDeadlineOrderWithoutRealWaiting) {
  VirtualTime vt;
  auto main = MainQueue::shared();
  std::vector<std::string> order;
  const auto t0 = Clock::now();
  std::vector<double> at;
  main->postAfter(3s, [&] { order.push_back("3s"); at.push_back(platform::toSeconds(Clock::now() - t0)); });
  main->postAfter(1s, [&] { order.push_back("1s"); at.push_back(platform::toSeconds(Clock::now() - t0)); });
  main->postAfter(1s, [&] { order.push_back("1s-second"); });
  main->post([&] { order.push_back("now"); });
  const auto realStart = std::chrono::steady_clock::now();
  EXPECT_TRUE(main->runUntil([&] { return order.size() == 4; }, 10s));
  EXPECT_LT(std::chrono::steady_clock::now() - realStart, 2s);
  EXPECT_EQ(order, (std::vector<std::string>{"now", "1s", "1s-second", "3s"}));
  EXPECT_EQ(at, (std::vector<double>{1.0, 3.0}));
}

TEST(VirtualClock, RunUntilReturnsOnItsTimeoutAtOnce) {
  VirtualTime vt;
  const auto t0 = Clock::now();
  const auto realStart = std::chrono::steady_clock::now();
  EXPECT_FALSE(MainQueue::shared()->runUntil([] { return false; }, 3600s));
  EXPECT_EQ(Clock::now() - t0, std::chrono::duration_cast<platform::Duration>(3600s));
  EXPECT_LT(std::chrono::steady_clock::now() - realStart, 2s);
}

TEST(VirtualClock, AdvanceStepsRepeatingTimerThroughEveryTick) {
  VirtualTime vt;
  auto queue = SerialQueue::create("timer");
  Recorder ticks;
  const auto t0 = Clock::now();
  auto timer = queue->scheduleRepeating(platform::seconds(0.1), [&] {
    ticks.add(std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count()));
  });
  VirtualTime::advance(platform::seconds(0.35));
  ASSERT_TRUE(VirtualTime::waitForIdle());
  EXPECT_EQ(ticks.events(), (std::vector<std::string>{"100", "200", "300"}));
  timer->invalidate();
  VirtualTime::advance(1s);
  ASSERT_TRUE(VirtualTime::waitForIdle());
  EXPECT_EQ(ticks.size(), 3u);
  EXPECT_FALSE(timer->isValid());
}

// A tick already handed to the queue when `invalidate` runs there must still not be delivered.
TEST(VirtualClock, ATickQueuedBeforeInvalidateOnTheTimersQueueIsNotDelivered) {
  VirtualTime vt;
  const struct {
    const char* name;
    std::shared_ptr<platform::Queue> queue;
  } cases[] = {{"main queue", MainQueue::shared()}, {"serial queue", SerialQueue::create("timer")}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::atomic<int> ticks{0};
    std::atomic<bool> done{false};
    auto timer = c.queue->scheduleRepeating(1s, [&] { ++ticks; });
    c.queue->post([&] {
      // The tick comes due while this block runs, so it waits behind it on the same queue.
      VirtualTime::jump(1500ms);
      timer->invalidate();
      c.queue->post([&] { done = true; });
    });
    MainQueue::shared()->runUntil([&] { return done.load(); }, 10s);
    ASSERT_TRUE(VirtualTime::waitForIdle());
    ASSERT_TRUE(done);
    MainQueue::shared()->runFor(100ms);
    EXPECT_EQ(ticks, 0);
  }
}

TEST(VirtualClock, JumpFiresAMissedRepeatingTimerOnceAndKeepsItsPhase) {
  VirtualTime vt;
  auto queue = SerialQueue::create("timer");
  std::atomic<int> ticks{0};
  auto timer = queue->scheduleRepeating(1s, [&] { ++ticks; });
  VirtualTime::jump(10500ms);
  ASSERT_TRUE(VirtualTime::waitForIdle());
  EXPECT_EQ(ticks, 1);
  VirtualTime::advance(400ms);  // t = 10.9 s: the next tick is due at 11 s
  ASSERT_TRUE(VirtualTime::waitForIdle());
  EXPECT_EQ(ticks, 1);
  VirtualTime::advance(100ms);
  ASSERT_TRUE(VirtualTime::waitForIdle());
  EXPECT_EQ(ticks, 2);
  timer->invalidate();
}

// The main queue's timers are kept apart from the other queues' (its run loop serves them), yet
// virtual time moves through both as one deadline order.
TEST(VirtualClock, MainAndSerialTimersFireInOneDeadlineOrder) {
  VirtualTime vt;
  auto main = MainQueue::shared();
  auto queue = SerialQueue::create("timer");
  Recorder order;
  const auto t0 = Clock::now();
  auto record = [&](const std::string& what) {
    order.add(what + "@" + std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count()));
  };
  queue->postAfter(1s, [&] { record("serial"); });
  main->postAfter(2s, [&] { record("main"); });
  queue->postAfter(2500ms, [&] { record("serial"); });
  auto timer = main->scheduleRepeating(1500ms, [&] { record("tick"); });
  EXPECT_TRUE(main->runUntil([&] { return order.size() == 5; }, 10s));
  timer->invalidate();
  EXPECT_EQ(order.events(),
            (std::vector<std::string>{"serial@1000", "tick@1500", "main@2000", "serial@2500", "tick@3000"}));
}

TEST(Queue, BlockWhoseOwnerIsGoneDoesNothing) {
  VirtualTime vt;
  auto main = MainQueue::shared();
  auto owner = std::make_shared<int>(7);
  int calls = 0;
  main->postFor(std::weak_ptr<int>(owner), [&](const std::shared_ptr<int>&) { ++calls; });
  main->postAfterFor(1s, std::weak_ptr<int>(owner), [&](const std::shared_ptr<int>&) { ++calls; });
  auto kept = std::make_shared<int>(8);
  int value = 0;
  main->postAfterFor(2s, std::weak_ptr<int>(kept), [&](const std::shared_ptr<int>& p) { value = *p; });
  owner.reset();
  main->runFor(3s);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(value, 8);
}

TEST(Queue, DelayedBlockOfADestroyedQueueIsDropped) {
  VirtualTime vt;
  std::atomic<int> calls{0};
  {
    auto queue = SerialQueue::create("short-lived");
    queue->postAfter(1s, [&] { ++calls; });
  }
  VirtualTime::advance(2s);
  ASSERT_TRUE(VirtualTime::waitForIdle());
  EXPECT_EQ(calls, 0);
}

// What a block captures may hold an object that must go away on its own queue: the scheduler keeps
// no copy of a delayed block it handed over.
TEST(Queue, ADelayedBlockAndWhatItCapturesEndOnTheQueueThatRanIt) {
  struct Captured {
    Captured(std::shared_ptr<SerialQueue> q, std::atomic<int>* counter)
        : queue(std::move(q)), endedElsewhere(counter) {}
    std::shared_ptr<SerialQueue> queue;
    std::atomic<int>* endedElsewhere;
    ~Captured() {
      if (!queue->isCurrent()) ++*endedElsewhere;
    }
  };
  auto queue = SerialQueue::create("delayed");
  std::atomic<int> ran{0}, endedElsewhere{0};
  constexpr int kBlocks = 2000;
  for (int i = 0; i < kBlocks; ++i) {
    auto captured = std::make_shared<Captured>(queue, &endedElsewhere);
    queue->postAfter(std::chrono::microseconds(i * 5), [captured = std::move(captured), &ran] { ++ran; });
  }
  for (int i = 0; i < 500 && ran < kBlocks; ++i) std::this_thread::sleep_for(10ms);
  ASSERT_EQ(ran, kBlocks);
  ASSERT_TRUE(VirtualTime::waitForIdle());
  EXPECT_EQ(endedElsewhere, 0);
}

TEST(SerialQueue, RunsBlocksOneAtATimeInPostOrderFromManyThreads) {
  auto queue = SerialQueue::create("serial");
  std::vector<int> seen;  // touched only on the queue
  std::atomic<int> running{0};
  std::atomic<bool> overlapped{false};
  std::vector<std::thread> producers;
  for (int t = 0; t < 4; ++t) {
    producers.emplace_back([&, t] {
      for (int i = 0; i < 250; ++i) {
        queue->post([&, t, i] {
          if (running.fetch_add(1) != 0) overlapped = true;
          seen.push_back(t * 1000 + i);
          running.fetch_sub(1);
        });
      }
    });
  }
  for (auto& p : producers) p.join();
  queue->sync([] {});
  EXPECT_FALSE(overlapped);
  ASSERT_EQ(seen.size(), 1000u);
  // Per producer the order is kept.
  std::vector<int> last(4, -1);
  for (int v : seen) {
    EXPECT_GT(v % 1000, last[v / 1000]);
    last[v / 1000] = v % 1000;
  }
}

TEST(SerialQueue, IsCurrentOnlyOnItsOwnBlocks) {
  auto a = SerialQueue::create("a");
  auto b = SerialQueue::create("b");
  bool onA = false, bOnA = true;
  a->sync([&] {
    onA = a->isCurrent();
    bOnA = b->isCurrent();
  });
  EXPECT_TRUE(onA);
  EXPECT_FALSE(bOnA);
  EXPECT_FALSE(a->isCurrent());
}

TEST(BackgroundQueue, BlockedTasksDoNotStarveOthers) {
  auto bg = BackgroundQueue::global();
  std::mutex m;
  std::condition_variable cv;
  bool release = false;
  for (int i = 0; i < 10; ++i) {
    bg->post([&] {
      std::unique_lock lock(m);
      cv.wait(lock, [&] { return release; });
    });
  }
  std::atomic<bool> ran{false};
  bg->post([&] { ran = true; });
  auto serial = SerialQueue::create("not-starved");
  std::atomic<bool> serialRan{false};
  serial->post([&] { serialRan = true; });
  const auto until = std::chrono::steady_clock::now() + 5s;
  while (!(ran && serialRan) && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(1ms);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(serialRan);
  {
    std::lock_guard lock(m);
    release = true;
  }
  cv.notify_all();
  EXPECT_TRUE(VirtualTime::waitForIdle());
}

TEST(RealTime, DelayedPostAndTimerFireOnTime) {
  auto main = MainQueue::shared();
  const auto start = std::chrono::steady_clock::now();
  bool fired = false;
  main->postAfter(50ms, [&] { fired = true; });
  int ticks = 0;
  auto timer = main->scheduleRepeating(20ms, [&] { ++ticks; });
  EXPECT_TRUE(main->runUntil([&] { return fired && ticks >= 3; }, 5s));
  timer->invalidate();
  EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}

// A main-queue timer scheduled from another thread while the loop sleeps is still served by the
// loop, and one that invalidates itself ticks no more.
TEST(RealTime, MainTimersScheduledFromAnotherThreadFireAndStopWhenInvalidated) {
  auto main = MainQueue::shared();
  bool fired = false;
  int ticks = 0;
  std::shared_ptr<platform::Timer> timer;
  std::thread other([&] {
    std::this_thread::sleep_for(20ms);
    main->postAfter(30ms, [&] { fired = true; });
    auto made = main->scheduleRepeating(10ms, [&] {
      if (++ticks == 3) timer->invalidate();
    });
    main->post([&, made] { timer = made; });
  });
  EXPECT_TRUE(main->runUntil([&] { return fired && ticks == 3; }, 10s));
  other.join();
  main->runFor(100ms);
  EXPECT_EQ(ticks, 3);
}

TEST(RealTime, DrainRunsMainTimersAlreadyDue) {
  auto main = MainQueue::shared();
  bool fired = false;
  main->postAfter(1ms, [&] { fired = true; });
  std::this_thread::sleep_for(20ms);
  main->drain();
  EXPECT_TRUE(fired);
}

}  // namespace
