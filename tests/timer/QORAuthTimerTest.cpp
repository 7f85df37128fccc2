#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <ostream>
#include <cmath>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/Queue.h"
#include "ui/timer/QORAuthTimer.h"

using platform::MainQueue;
using platform::VirtualTime;
using platform::seconds;
using qor::QORAuthTimer;

namespace {

struct Report {
  std::string tag;
  std::string text;
  int32_t seconds;
  float fraction;
};

// Timers in virtual time; reports are collected on the main queue, which the test thread drains.
class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override { MainQueue::shared()->clear(); }
  void TearDown() override {
    for (auto& timer : timers_) timer->invalidate();
    MainQueue::shared()->clear();
  }

  std::shared_ptr<QORAuthTimer> makeTimer(int32_t time, const std::string& tag = "a") {
    auto timer = QORAuthTimer::create(time, recorder(tag));
    timers_.push_back(timer);
    return timer;
  }
  QORAuthTimer::Callback recorder(std::string tag) {
    return [this, tag](const std::string& text, int32_t s, float fraction) {
      reports_.push_back({tag, text, s, fraction});
    };
  }
  // Walks time forward a tick at a time and runs each tick's reports before the next tick, as a
  // running main queue would (a report reads the time left when it runs).
  void advance(double s) {
    const auto end = platform::Clock::now() + seconds(s);
    while (platform::Clock::now() < end) {
      VirtualTime::advance(std::min(seconds(0.1), end - platform::Clock::now()));
      MainQueue::shared()->drain();
    }
  }
  // Moves time at once, as a changed clock or a suspended process would.
  void jump(double s) {
    VirtualTime::jump(seconds(s));
    ASSERT_TRUE(VirtualTime::waitForIdle());
    MainQueue::shared()->drain();
  }
  std::vector<std::string> tags() const {
    std::vector<std::string> out;
    for (const auto& r : reports_) out.push_back(r.tag);
    return out;
  }

  VirtualTime virtualTime_;
  std::vector<std::shared_ptr<QORAuthTimer>> timers_;
  std::vector<Report> reports_;
};

TEST_F(TimerTest, ThirtySecondTimerReportsEveryTenthOfASecondDownToZeroThenStops) {
  auto timer = makeTimer(30);
  timer->start();
  advance(0.1);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].text, "0:29");
  EXPECT_EQ(reports_[0].seconds, 29);
  EXPECT_NEAR(reports_[0].fraction, 29.9 / 30, 1e-6);

  advance(29.9);
  ASSERT_EQ(reports_.size(), 300u);
  EXPECT_EQ(reports_[10].text, "0:28");  // 28.9 s left
  EXPECT_EQ(reports_.back().text, "0:00");
  EXPECT_EQ(reports_.back().seconds, 0);
  EXPECT_EQ(reports_.back().fraction, 0.0f);
  EXPECT_TRUE(timer->isInvalidated());
  EXPECT_EQ(timer->callbacksCount(), 0);

  advance(3);
  EXPECT_EQ(reports_.size(), 300u);
}

struct TextCase {
  const char* name;
  int32_t initial;
  double elapsed;  // when the first tick comes
  const char* text;
  int32_t seconds;
};

class TimerTextTest : public TimerTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(TimerTextTest, ShowsMinutesAndSecondsWithoutHours) {
  const TextCase& c = GetParam();
  makeTimer(c.initial)->start();
  jump(c.elapsed);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].text, c.text);
  EXPECT_EQ(reports_[0].seconds, c.seconds);
  EXPECT_NEAR(reports_[0].fraction, (c.initial - c.elapsed) / c.initial, 1e-6);
}

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.initial << " s timer after " << c.elapsed << " s"; }

INSTANTIATE_TEST_SUITE_P(Texts, TimerTextTest,
                         ::testing::Values(TextCase{"left124_9", 125, 0.1, "2:04", 124},
                                           TextCase{"left59_95", 61, 1.05, "0:59", 59},
                                           TextCase{"left60", 61, 1.0, "1:00", 60},
                                           TextCase{"left699_5", 700, 0.5, "11:39", 699},
                                           TextCase{"left3599_5", 3601, 1.5, "59:59", 3599},
                                           TextCase{"left3725_anHourShownAs2_05", 3726, 1.0, "2:05", 3725},
                                           TextCase{"left36000_tenHoursShownAs0_00", 36001, 1.0, "0:00", 36000},
                                           TextCase{"left0_05", 10, 9.95, "0:00", 0}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(TimerTest, CallsTheLastAddedCallbackFirstOnEveryTick) {
  auto timer = makeTimer(30, "first");
  timer->appendCallback(recorder("second"));
  timer->start();
  advance(0.2);
  EXPECT_EQ(tags(), (std::vector<std::string>{"second", "first", "second", "first"}));
}

TEST_F(TimerTest, RemoveLastCallbackTakesTheNewestAndIgnoresAnEmptyList) {
  auto timer = makeTimer(30, "first");
  timer->appendCallback(recorder("second"));
  timer->removeLastCallback();
  EXPECT_EQ(timer->callbacksCount(), 1);
  timer->removeLastCallback();
  timer->removeLastCallback();
  EXPECT_EQ(timer->callbacksCount(), 0);

  timer->appendCallback(recorder("third"));
  timer->start();
  advance(0.1);
  EXPECT_EQ(tags(), (std::vector<std::string>{"third"}));
}

TEST_F(TimerTest, StartAndInvalidateEachActOnce) {
  auto timer = makeTimer(30);
  timer->start();
  timer->start();
  advance(0.1);
  EXPECT_EQ(reports_.size(), 1u) << "a second start must not add a second timer";

  // A report already handed to the main queue still runs after invalidate; no tick follows.
  VirtualTime::advance(seconds(0.1));
  timer->invalidate();
  timer->invalidate();
  EXPECT_TRUE(timer->isInvalidated());
  EXPECT_EQ(timer->callbacksCount(), 0);
  MainQueue::shared()->drain();
  EXPECT_EQ(reports_.size(), 2u);
  advance(2);
  EXPECT_EQ(reports_.size(), 2u);
}

TEST_F(TimerTest, FollowsTheClockAcrossAJumpAndNeverReportsANegativeRemainder) {
  auto timer = makeTimer(30);
  timer->start();
  advance(10);
  EXPECT_EQ(reports_.back().text, "0:20");
  const size_t before = reports_.size();

  jump(15);
  ASSERT_EQ(reports_.size(), before + 1);
  EXPECT_EQ(reports_.back().text, "0:05");
  EXPECT_EQ(reports_.back().seconds, 5);

  jump(100);  // far past the end: one last report, clamped
  ASSERT_EQ(reports_.size(), before + 2);
  EXPECT_EQ(reports_.back().text, "0:00");
  EXPECT_EQ(reports_.back().seconds, 0);
  EXPECT_EQ(reports_.back().fraction, 0.0f);
  EXPECT_LT(timer->currentSeconds(), 0);
  EXPECT_TRUE(timer->isInvalidated());
  advance(1);
  EXPECT_EQ(reports_.size(), before + 2);
}

class EmptyTimerTest : public TimerTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(EmptyTimerTest, ReportsZeroOnItsFirstTickAndStops) {
  auto timer = makeTimer(GetParam());
  timer->start();
  advance(1);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0].text, "0:00");
  EXPECT_EQ(reports_[0].seconds, 0);
  EXPECT_FALSE(std::isnan(reports_[0].fraction));
  EXPECT_EQ(reports_[0].fraction, 0.0f);
  EXPECT_TRUE(timer->isInvalidated());
}

INSTANTIATE_TEST_SUITE_P(ZeroAndNegative, EmptyTimerTest, ::testing::Values(0, -5),
                         [](const auto& param) { return param.param < 0 ? "negative" : "zero"; });

TEST_F(TimerTest, KeepsCountingWithoutItsOwnerAndIsReleasedAtTheEnd) {
  std::weak_ptr<QORAuthTimer> weak;
  {
    auto timer = QORAuthTimer::create(2, recorder("a"));
    timer->start();
    weak = timer;
  }
  advance(0.1);
  EXPECT_EQ(reports_.size(), 1u);
  advance(1.9);
  EXPECT_EQ(reports_.size(), 20u);
  advance(0.2);
  EXPECT_TRUE(weak.expired());
}

TEST_F(TimerTest, TimerInvalidatedBeforeStartTicksSilentlyAndStillEnds) {
  std::weak_ptr<QORAuthTimer> weak;
  {
    auto timer = QORAuthTimer::create(1, recorder("a"));
    timer->invalidate();
    timer->start();
    weak = timer;
  }
  advance(1.3);
  EXPECT_TRUE(reports_.empty());
  EXPECT_TRUE(weak.expired()) << "the ticks must end with the count even after an early invalidate";
}

TEST_F(TimerTest, CallbackListChangesRaceSafelyWithTicks) {
  auto timer = makeTimer(30);
  timer->start();
  std::atomic<bool> stop{false};
  std::thread owner([&] {
    while (!stop) {
      timer->appendCallback([](const std::string&, int32_t, float) {});
      timer->callbacksCount();
      timer->removeLastCallback();
    }
  });
  for (int i = 0; i < 30; ++i) advance(0.1);
  stop = true;
  owner.join();
  EXPECT_EQ(timer->callbacksCount(), 1);
  EXPECT_GE(reports_.size(), 30u);
}

}  // namespace
