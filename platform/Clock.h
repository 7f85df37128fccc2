// One clock behind every queue, delay and timer of the process.
//
// In real mode it is the steady clock. A test may switch the process to virtual time (VirtualTime):
// time then stands still until the test moves it, and timers fire in deadline order as it moves, so
// tests of delays, timers and time-outs run fast and deterministically. Real sockets keep real time;
// tests that use them stay in real mode.
#pragma once

#include <chrono>

#include "platform/QORPlatformExport.h"

namespace platform {

using Duration = std::chrono::steady_clock::duration;
using TimePoint = std::chrono::steady_clock::time_point;
using WallTime = std::chrono::system_clock::time_point;

// Converts seconds, as the system's delays and time-outs are written (0.01, 0.3, 60), to a Duration.
constexpr Duration seconds(double s) {
  return std::chrono::duration_cast<Duration>(std::chrono::duration<double>(s));
}
constexpr double toSeconds(Duration d) { return std::chrono::duration<double>(d).count(); }

class QOR_PLATFORM_EXPORT Clock {
 public:
  static TimePoint now();
  // Wall-clock time (dates); moves with virtual time too.
  static WallTime wallNow();
  static bool isVirtual();
};

// Test-only guard that puts the process in virtual time for its lifetime. Not nestable.
class QOR_PLATFORM_EXPORT VirtualTime {
 public:
  VirtualTime();
  ~VirtualTime();
  VirtualTime(const VirtualTime&) = delete;
  VirtualTime& operator=(const VirtualTime&) = delete;

  // Moves time forward by `d`, stopping at each timer deadline on the way: time is set to the
  // deadline, the timer fires and the serial and background queues are let run idle before going on.
  static void advance(Duration d);
  // Moves time forward by `d` at once, as a changed system clock would: every timer already due
  // fires once (a repeating timer once, not once per interval it missed).
  static void jump(Duration d);
  // Waits, in real time and at most `limit`, until no serial or background task is queued or
  // running. True when that state was reached.
  static bool waitForIdle(std::chrono::milliseconds limit = std::chrono::seconds(5));
};

}  // namespace platform
