#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "platform/DateFormatter.h"
#include "tests/support/TestSupport.h"

using platform::DateFormatter;

namespace {

constexpr const char* kSessionFormat = "yyyy-MM-dd'T'HH:mm:ss.SSSZ";

TEST(DateFormatter, ReadsTheSessionStartFormat) {
  const std::pair<const char*, double> cases[] = {
      {"1970-01-01T00:00:00.000+0000", 0},
      {"1970-01-01T00:00:00.000Z", 0},
      {"1970-01-01T01:00:00.000+0100", 0},
      {"1969-12-31T19:00:00.000-05:00", 0},
      {"1970-01-01T05:30:00.000+05:30", 0},
      {"1970-01-01T02:00:00.000+02", 0},
      {"2024-02-29T12:34:56.789+0000", 1709210096.789},
      {"2000-03-01T00:00:00.5+0000", 951868800.5},
      {"1969-12-31T23:59:59.999+0000", -0.001},
      {"2038-01-19T03:14:08.000+0000", 2147483648.0},
      {"9999-12-31T23:59:59.000+0000", 253402300799.0},
  };
  const DateFormatter formatter(kSessionFormat);
  for (auto [text, seconds] : cases) {
    const auto date = formatter.dateFromString(text);
    ASSERT_TRUE(date) << text;
    EXPECT_NEAR(*date, seconds, 1e-6) << text;
  }
}

TEST(DateFormatter, TextThatDoesNotMatchThePatternGivesNil) {
  const char* cases[] = {
      "",
      "2024-02-29T12:34:56.789",         // no zone
      "2024-02-29T12:34:56+0000",        // no fraction
      "2024-02-29 12:34:56.789+0000",    // wrong literal
      "2024-2-29T12:34:56.789+0000",     // short month
      "24-02-29T12:34:56.789+0000",      // short year
      "2023-02-29T12:34:56.789+0000",    // not a leap year
      "2024-13-01T12:34:56.789+0000",    // month 13
      "2024-00-01T12:34:56.789+0000",    // month 0
      "2024-04-31T12:34:56.789+0000",    // day 31 of April
      "2024-01-01T24:00:00.000+0000",    // hour 24
      "2024-01-01T00:60:00.000+0000",    // minute 60
      "2024-01-01T00:00:60.000+0000",    // second 60
      "2024-01-01T00:00:00.000+2400",    // zone hour 24
      "2024-01-01T00:00:00.000+0060",    // zone minute 60
      "2024-01-01T00:00:00.000+01:",     // zone cut short
      "2024-01-01T00:00:00.000 +0000",   // blank
      "2024-01-01T00:00:00.000+0000 ",   // trailing text
      "2024-01-01T00:00:00.000+0000Z",   // trailing text
      "2024-01-01T00:00:00.0000000000+0000",  // ten fraction digits
      "x024-01-01T00:00:00.000+0000",
  };
  const DateFormatter formatter(kSessionFormat);
  for (const char* text : cases) EXPECT_FALSE(formatter.dateFromString(text)) << text;
}

TEST(DateFormatter, WritesDatesInUtc) {
  const std::pair<double, const char*> cases[] = {
      {0, "1970-01-01T00:00:00.000+0000"},
      {1709210096.789, "2024-02-29T12:34:56.789+0000"},
      {-0.5, "1969-12-31T23:59:59.500+0000"},
      {-86400.25, "1969-12-30T23:59:59.750+0000"},
      {1.0009, "1970-01-01T00:00:01.000+0000"},  // cut off, not rounded
  };
  const DateFormatter formatter(kSessionFormat);
  for (auto [seconds, text] : cases) EXPECT_EQ(formatter.stringFromDate(seconds), text) << seconds;
  EXPECT_EQ(formatter.stringFromDate(NAN), "");
  EXPECT_EQ(formatter.stringFromDate(1e13), "") << "far beyond any calendar year it can write";
  EXPECT_EQ(DateFormatter("d.M.yyyy 'at' H''mm").stringFromDate(951868800), "1.3.2000 at 0'00");
}

TEST(DateFormatter, UnsupportedPatternsNeitherReadNorWrite) {
  for (const char* format : {"yy-MM-dd", "EEE yyyy", "yyyy 'open", "MMM", "hh:mm a"}) {
    const DateFormatter formatter(format);
    EXPECT_FALSE(formatter.dateFromString("2000-01-01")) << format;
    EXPECT_EQ(formatter.stringFromDate(0), "") << format;
  }
}

// Python's datetime writes and reads the same dates, zones included.
TEST(DateFormatter, AgreesWithPythonOnRandomDates) {
  std::mt19937_64 random(7);
  std::vector<std::pair<int64_t, int>> samples;  // milliseconds since 1970, zone offset in minutes
  std::string input;
  for (int i = 0; i < 300; ++i) {
    const int64_t millis = int64_t(random() % 240000000000000ull) - 60000000000000ll;  // years 68 to 9575
    const int zone = int(random() % (2 * 14 * 60 + 1)) - 14 * 60;
    samples.emplace_back(millis, zone);
    input += std::to_string(millis) + " " + std::to_string(zone) + "\n";
  }
  const auto result = qortest::runPython(R"(
import sys, datetime
for line in sys.stdin.read().split("\n")[:-1]:
    millis, zone = map(int, line.split())
    tz = datetime.timezone(datetime.timedelta(minutes=zone))
    epoch = datetime.datetime(1970, 1, 1, tzinfo=datetime.timezone.utc)
    when = (epoch + datetime.timedelta(milliseconds=millis)).astimezone(tz)
    def write(t, zone):
        return "%04d-%02d-%02dT%02d:%02d:%02d.%03d%s" % (
            t.year, t.month, t.day, t.hour, t.minute, t.second, t.microsecond // 1000, zone)
    text = write(when, when.strftime("%z"))
    utc = write(when.astimezone(datetime.timezone.utc), "+0000")
    print(text, utc)
)", {}, input);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const DateFormatter formatter(kSessionFormat);
  std::istringstream lines(result.out);
  for (const auto& [millis, zone] : samples) {
    std::string zoned, utc;
    ASSERT_TRUE(lines >> zoned >> utc);
    const auto date = formatter.dateFromString(zoned);
    ASSERT_TRUE(date) << zoned;
    EXPECT_EQ(std::llround(*date * 1000), millis) << zoned;
    EXPECT_EQ(formatter.stringFromDate(double(millis) / 1000), utc) << millis;
  }
}

}  // namespace
