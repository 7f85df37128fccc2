#include <gtest/gtest.h>

#include <limits>

#include "common/request/DictionaryQOR.h"

using platform::Color;
using platform::Json;

namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

TEST(IntegerValueForKey, ReadsNumbersAndDecimalTextsAndSaturates) {
  struct Case {
    const char* name;
    Json value;
    std::optional<int64_t> expected;
  };
  const Case cases[] = {
      {"integer", 42, 42},
      {"negative integer", -7, -7},
      {"largest", kMax, kMax},
      {"smallest", kMin, kMin},
      {"unsigned beyond the range", Json(uint64_t{18446744073709551615u}), kMax},
      {"float truncates", 3.99, 3},
      {"negative float truncates toward zero", -3.99, -3},
      {"float 1e300", 1e300, kMax},
      {"float -1e300", -1e300, kMin},
      {"float 2^63", 9223372036854775808.0, kMax},
      {"true", true, 1},
      {"false", false, 0},
      {"text", "123", 123},
      {"text with leading blanks", " \t\n 17", 17},
      {"text with trailing letters", "12abc", 12},
      {"text with a sign", "-45", -45},
      {"text with a plus", "+45", 45},
      {"text without digits", "abc", 0},
      {"empty text", "", 0},
      {"sign only", "-", 0},
      {"text of the largest", "9223372036854775807", kMax},
      {"text of the smallest", "-9223372036854775808", kMin},
      {"text one past the largest", "9223372036854775808", kMax},
      {"text one past the smallest", "-9223372036854775809", kMin},
      {"long digit text", std::string(400, '9'), kMax},
      {"long negative digit text", "-" + std::string(400, '9') + "x", kMin},
      {"text with a decimal point", "12.9", 12},
      {"array", Json::array({1}), std::nullopt},
      {"object", Json::object(), std::nullopt},
      {"null", nullptr, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(qor::integerValueForKey(Json{{"code", c.value}}, "code"), c.expected) << c.name;
  }
  EXPECT_EQ(qor::integerValueForKey(Json{{"other", 1}}, "code"), std::nullopt) << "missing member";
  EXPECT_EQ(qor::integerValueForKey(Json::array({1}), "code"), std::nullopt) << "not a dictionary";
}

TEST(ColorValueForKey, ReadsHashAndSixHexDigits) {
  auto rgb = [](int r, int g, int b) { return Color::colorWithRed(r / 255.0, g / 255.0, b / 255.0, 1.0); };
  struct Case {
    const char* name;
    Json value;
    Color expected;
  };
  const Case cases[] = {
      {"orange", "#FF8000", rgb(255, 128, 0)},
      {"lower case", "#0a0b0c", rgb(10, 11, 12)},
      {"short text is one number", "#FFF", rgb(0, 15, 255)},
      {"any first character is skipped", "xFF0000", rgb(255, 0, 0)},
      {"digits stop at the first other character", "#12zz", rgb(0, 0, 0x12)},
      {"letters that are not digits give black", "#GGHHII", rgb(0, 0, 0)},
      {"hash only gives black", "#", rgb(0, 0, 0)},
      {"0x prefix", "#0x00FF00", rgb(0, 255, 0)},
      {"blanks before the digits", "#  0000FF", rgb(0, 0, 255)},
      {"higher bits are ignored", "#AB123456", rgb(0x12, 0x34, 0x56)},
      {"overflow saturates", "#123456789ABC", rgb(255, 255, 255)},
      {"multi-byte first character",
       "\xC3\xA9"
       "102030",
       rgb(0x10, 0x20, 0x30)},
      {"empty text is clear", "", Color::clearColor()},
      {"number is clear", 0xFF0000, Color::clearColor()},
      {"array is clear", Json::array({"#FF0000"}), Color::clearColor()},
      {"null is clear", nullptr, Color::clearColor()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(qor::colorValueForKey(Json{{"c", c.value}}, "c"), c.expected) << c.name;
  }
  EXPECT_EQ(qor::colorValueForKey(Json::object(), "c"), Color::clearColor()) << "missing member";
  EXPECT_EQ(qor::colorValueForKey(Json("#FF0000"), "c"), Color::clearColor()) << "not a dictionary";
  EXPECT_EQ(qor::colorValueForKey(Json::object(), "c").alpha, 0.0);
}

}  // namespace
