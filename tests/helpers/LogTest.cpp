#include <gtest/gtest.h>

#include <limits>

#include "common/log/QORLog.h"
#include "common/log/QORLogFormat.h"
#include "platform/SystemLog.h"

using qor::QORLog;
using qor::QORLogArgument;

namespace {

struct Line {
  std::string file;
  int32_t line;
  std::string function;
  std::string message;
  bool operator==(const Line&) const = default;
};

class CollectingLogger : public qor::QORLogger {
 public:
  void info(const std::string& file, int32_t line, const std::string& function, const std::string& message) override {
    lines.push_back(Line{file, line, function, message});
  }
  std::vector<Line> lines;
};

class Log : public testing::Test {
 protected:
  void TearDown() override { QORLog::initWithLogger(nullptr); }
};

TEST_F(Log, TheLoggerGetsTheFilesLastComponentTheLineTheFunctionAndOneLineBreak) {
  auto logger = std::make_shared<CollectingLogger>();
  QORLog::initWithLogger(logger);
  struct Case {
    const char* file;
    const char* format;
    Line expected;
  };
  const Case cases[] = {
      {"/src/sdk/QORModule.m", "started", {"QORModule.m", 7, "fn", "started\n"}},
      {"QORModule.m", "done\n", {"QORModule.m", 7, "fn", "done\n"}},
      {"/src/dir/", "x", {"dir", 7, "fn", "x\n"}},
      {"/", "x", {"/", 7, "fn", "x\n"}},
      {"", "", {"", 7, "fn", "\n"}},
      {nullptr, "two\n\n", {"", 7, "fn", "two\n\n"}},
  };
  for (const auto& c : cases) {
    logger->lines.clear();
    platform::LogCapture system;
    QORLog::info(c.file, 7, "fn", c.format);
    ASSERT_EQ(logger->lines.size(), 1u) << c.format;
    EXPECT_EQ(logger->lines[0], c.expected) << (c.file ? c.file : "null");
    EXPECT_TRUE(system.messages().empty()) << "a logger takes the place of the system log";
  }
  logger->lines.clear();
  QOR_LOG("%@ paid %d", "Ann", 5);
  ASSERT_EQ(logger->lines.size(), 1u);
  EXPECT_EQ(logger->lines[0].file, "LogTest.cpp");
  EXPECT_GT(logger->lines[0].line, 0);
  EXPECT_EQ(logger->lines[0].function, "TestBody");
  EXPECT_EQ(logger->lines[0].message, "Ann paid 5\n");
}

TEST_F(Log, WithoutALoggerTheMessageGoesToTheSystemLog) {
  platform::LogCapture system;
  QORLog::info("/a/b.m", 1, "f", "before %@", "any");
  auto logger = std::make_shared<CollectingLogger>();
  QORLog::initWithLogger(logger);
  QORLog::info("/a/b.m", 2, "f", "during");
  QORLog::initWithLogger(nullptr);
  QORLog::info("/a/b.m", 3, "f", "after");
  EXPECT_EQ(system.messages(), (std::vector<std::string>{"before any\n", "after\n"}));
  EXPECT_EQ(logger->lines.size(), 1u);
}

std::string format(std::string_view f, std::initializer_list<QORLogArgument> args) {
  return qor::formatLogMessage(f, std::span<const QORLogArgument>(args.begin(), args.size()));
}

TEST(LogFormat, PlaceholdersTakeTypedArgumentsAndNeverMisreadThem) {
  struct Case {
    const char* format;
    std::vector<QORLogArgument> args;
    const char* expected;
  };
  const std::optional<std::string> none;
  const Case cases[] = {
      {"%@ %@ %@ %@", {"text", int64_t(-42), uint64_t(18446744073709551615u), 0.1}, "text -42 18446744073709551615 0.1"},
      {"%@ %@ %@", {true, nullptr, none}, "1 (null) (null)"},
      {"%@", {platform::Json{{"a", 1}}}, "{\"a\":1}"},
      {"%@", {std::optional<int>(3)}, "3"},
      {"%d|%5d|%-5d|%05d|%+d", {7, 7, 7, 7, 7}, "7|    7|7    |00007|+7"},
      {"%ld %lld %zu %qd %hhd", {1, 2, 3u, 4, 300}, "1 2 3 4 300"},
      {"%x %X %#o %u", {255, 255, 8, -1}, "ff FF 010 18446744073709551615"},
      {"%.2f %e %g %5.1f", {3.14159, 1500.0, 0.0001, 2}, "3.14 1.500000e+03 0.0001   2.0"},
      {"%d", {2.9}, "2"},
      {"%d", {1e300}, "9223372036854775807"},
      {"%d and %f", {"text", "more"}, "text and more"},
      {"%s|%.2s|%4s|%-4s|", {"abc", "abc", "ab", "ab"}, "abc|ab|  ab|ab  |"},
      {"%c%c%C", {72, 0x1F600, 0xD800}, "H\xF0\x9F\x98\x80\xEF\xBF\xBD"},
      {"%*d|%-*d|%.*f", {4, 1, 3, 2, 1, 2.25}, "   1|2  |2.2"},
      {"%*d", {-3, 1}, "1  "},
      {"100%% sure %n!", {5}, "100% sure !"},
      {"%d %d %@", {1}, "1 %d %@"},
      {"%d", {1, 2, 3}, "1"},
      {"%k %y", {1}, "%k %y"},
      {"ends with %", {}, "ends with %"},
      {"ends with %l", {1}, "ends with %l"},
      {"%99999999999d", {1}, nullptr},  // width stops at 1024
      {"%@", {"bad \xFF utf8"}, "bad \xEF\xBF\xBD utf8"},
      {"no placeholders", {1, 2}, "no placeholders"},
  };
  for (const auto& c : cases) {
    const auto out = qor::formatLogMessage(c.format, c.args);
    if (c.expected) {
      EXPECT_EQ(out, c.expected) << c.format;
    } else {
      EXPECT_EQ(out, std::string(1023, ' ') + "1") << c.format;
    }
  }
  EXPECT_EQ(format("%@", {std::numeric_limits<double>::infinity()}), "inf");
}

}  // namespace
