#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "platform/SystemLog.h"
#include "tests/support/TestSupport.h"

using platform::LogCapture;
using platform::systemLog;

namespace {

TEST(SystemLog, CaptureCollectsMessagesFromManyThreadsInTheirOrder) {
  constexpr int kThreads = 8;
  constexpr int kPerThread = 200;
  LogCapture capture;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kPerThread; ++i) systemLog(std::to_string(t) + ":" + std::to_string(i));
    });
  }
  for (auto& thread : threads) thread.join();

  const auto messages = capture.messages();
  ASSERT_EQ(messages.size(), size_t(kThreads * kPerThread));
  std::vector<int> next(kThreads, 0);
  for (const auto& message : messages) {
    const int t = std::stoi(message.substr(0, message.find(':')));
    EXPECT_EQ(message, std::to_string(t) + ":" + std::to_string(next[t])) << "out of order";
    ++next[t];
  }
}

TEST(SystemLog, EveryLiveCaptureSeesWhatIsLoggedWhileItLives) {
  LogCapture outer;
  systemLog("first");
  {
    LogCapture inner;
    systemLog("second\n");
    EXPECT_EQ(inner.messages(), (std::vector<std::string>{"second\n"}));
  }
  systemLog("");
  EXPECT_EQ(outer.messages(), (std::vector<std::string>{"first", "second\n", ""}));
}

// Standard error is redirected to a file while nothing captures.
TEST(SystemLog, WritesOneLineToStandardErrorWithoutACapture) {
  qortest::TempDir dir;
  const auto path = dir.path() / "stderr";
  fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(saved, 0);
  ASSERT_GE(file, 0);
  dup2(file, STDERR_FILENO);
  systemLog("close 1000 bye");
  systemLog("already ended\n");
  systemLog("");
  dup2(saved, STDERR_FILENO);
  close(file);
  close(saved);

  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "close 1000 bye\nalready ended\n\n");
}

}  // namespace
