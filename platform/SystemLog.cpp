#include "platform/SystemLog.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace platform {
namespace {

struct LogState {
  std::mutex mutex;
  std::vector<LogCapture*> captures;
};

// Made on first use and never destroyed, so logging during exit stays safe.
LogState& state() {
  static auto* s = new LogState;
  return *s;
}

}  // namespace

void systemLog(std::string_view message) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  if (!s.captures.empty()) {
    for (auto* capture : s.captures) capture->messages_.emplace_back(message);
    return;
  }
  std::string line(message);
  if (line.empty() || line.back() != '\n') line.push_back('\n');
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

LogCapture::LogCapture() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.captures.push_back(this);
}

LogCapture::~LogCapture() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.captures.erase(std::remove(s.captures.begin(), s.captures.end(), this), s.captures.end());
}

std::vector<std::string> LogCapture::messages() const {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return messages_;
}

}  // namespace platform
