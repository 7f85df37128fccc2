#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/Json.h"

using platform::Json;

namespace {

TEST(Json, WritesCompactTextKeepingIntegersExactAndTypesApart) {
  Json value = {{"a", 1}, {"b", true}, {"c", 1.5}, {"d", nullptr}, {"e", Json::array({"x", 2})},
                {"max", std::numeric_limits<int64_t>::max()}, {"min", std::numeric_limits<int64_t>::min()}};
  auto text = platform::stringWithJSONObject(value);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text,
            R"({"a":1,"b":true,"c":1.5,"d":null,"e":["x",2],"max":9223372036854775807,"min":-9223372036854775808})");
  auto back = platform::JSONObjectWithString(*text);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, value);
  EXPECT_TRUE((*back)["b"].is_boolean());
  EXPECT_TRUE((*back)["a"].is_number_integer());
}

TEST(Json, OnlyObjectsAndArraysOfFiniteNumbersAndValidTextAreWritten) {
  struct Case {
    const char* name;
    Json value;
    bool valid;
  };
  const Case cases[] = {
      {"object", Json::object(), true},
      {"array", Json::array(), true},
      {"bare string", Json("x"), false},
      {"bare number", Json(1), false},
      {"null", Json(nullptr), false},
      {"nan", Json::array({std::nan("")}), false},
      {"infinity", Json{{"x", std::numeric_limits<double>::infinity()}}, false},
      {"invalid utf-8 value", Json{{"x", std::string("\xC3\x28")}}, false},
      {"invalid utf-8 key", Json{{std::string("\xFF"), 1}}, false},
      {"non-ascii text", Json{{"x", "\xC3\xA9\xF0\x9F\x98\x80"}}, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::isValidJSONObject(c.value), c.valid) << c.name;
    EXPECT_EQ(platform::dataWithJSONObject(c.value).has_value(), c.valid) << c.name;
  }
}

// The text written is nlohmann's own dump(), byte for byte: the server and the stored values have
// always seen that text, whichever way a value is written.
TEST(Json, WritesTheTextOfTheLibraryDumpForEveryKindOfValue) {
  const Json values[] = {
      Json::object(),
      Json::array(),
      Json{{"plain", "AZaz09+/="}, {"space and ~", " ~"}, {"", ""}},
      Json{{"quote", "a\"b"}, {"backslash", "a\\b"}, {"slash", "a/b"}, {"del", "\x7F"}},
      Json{{"controls", std::string("\b\f\n\r\t\x01\x1F\0", 8)}},
      Json{{"non-ascii \xC3\xA9", "\xF0\x9F\x98\x80 \xE2\x82\xAC"}, {"k\"\n", 1}},
      Json{{"floats", Json::array({1.5, -0.0, 0.1, 1e300, 5e-324, 1.0, 100.0, 1e21, 123456789.125})}},
      Json{{"ints", Json::array({0, -1, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(),
                                 std::numeric_limits<uint64_t>::max()})}},
      Json::array({true, false, nullptr, Json::object(), Json::array({Json::array()}), Json{{"b", 1}, {"a", 2}}}),
      Json{{"nested", Json{{"x", Json::array({Json{{"y", "z"}}, "\t"})}}}},
  };
  for (const auto& value : values) {
    const std::string expected = value.dump();
    EXPECT_EQ(platform::stringWithJSONObject(value), expected) << expected;
    EXPECT_EQ(platform::dataWithJSONObject(value), platform::bytesFromString(expected)) << expected;
  }
  // Long texts are checked eight bytes at a time: a character that needs escaping, or the edges of
  // the plain range, at every place of a word and of the tail.
  for (const std::string& special : {std::string(1, '\0'), std::string("\x1F"), std::string("\""), std::string("\\"),
                                    std::string("\x7F"), std::string("\xC3\xA9"), std::string(" "), std::string("~")}) {
    for (size_t at = 0; at < 19; ++at) {
      std::string text(19, 'a');
      text.replace(at, 1, special);
      const Json value{{text, text}};
      EXPECT_EQ(platform::stringWithJSONObject(value), value.dump()) << value.dump();
    }
  }
}

// Every value inside is checked, at any depth, whether its text needs escaping or not.
TEST(Json, RefusesToWriteAValueWithABadPartAnywhere) {
  const Json values[] = {
      Json::array({1, Json{{"x", Json::array({std::string("\"\xFF")})}}}),
      Json::array({"ok", std::string("\xE2\x82")}),
      Json{{"a", Json{{std::string("\n\xC0\xAF"), 1}}}},
      Json::array({Json::array({Json::array({-std::numeric_limits<double>::infinity()})})}),
      Json{{"bin", Json::binary({1, 2})}},
  };
  for (const auto& value : values) {
    EXPECT_FALSE(platform::stringWithJSONObject(value)) << value.dump(-1, ' ', true, Json::error_handler_t::replace);
    EXPECT_FALSE(platform::dataWithJSONObject(value));
  }
}

TEST(Json, ReadsOnlyWellFormedObjectsAndArrays) {
  const std::pair<const char*, bool> cases[] = {
      {R"({"a":[1,2]})", true}, {"[]", true},    {" {} ", true},        {"\"x\"", false},
      {"1", false},             {"", false},     {"{", false},          {"{} x", false},
      {"{'a':1}", false},       {"[1,]", false}, {"{\"a\":\"\xC3\x28\"}", false},
  };
  for (auto [text, ok] : cases) {
    EXPECT_EQ(platform::JSONObjectWithString(text).has_value(), ok) << text;
    EXPECT_EQ(platform::JSONObjectWithData(platform::bytesFromString(text)).has_value(), ok) << text;
  }
}

// The reader builds the value as it reads: every member and element lands in its own container.
TEST(Json, ReadsEveryValueIntoItsPlace) {
  const std::pair<const char*, Json> cases[] = {
      {R"({"a":[1,{"b":[true,null,"x"]},[[]],-2.5],"c":{"d":{}},"e":18446744073709551615})",
       Json{{"a", Json::array({1, Json{{"b", Json::array({true, nullptr, "x"})}}, Json::array({Json::array()}), -2.5})},
            {"c", Json{{"d", Json::object()}}},
            {"e", 18446744073709551615ULL}}},
      {R"([{"k":1},{"k":2},[3,[4,[5]]],"t"])",
       Json::array({Json{{"k", 1}}, Json{{"k", 2}}, Json::array({3, Json::array({4, Json::array({5})})}), "t"})},
      {R"({"dup":1,"o":{"dup":[1]},"dup":2})", Json{{"dup", 2}, {"o", Json{{"dup", Json::array({1})}}}}},
      {R"({"\u00e9\n":"\ud83d\ude00"})", Json{{"\xC3\xA9\n", "\xF0\x9F\x98\x80"}}},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(platform::JSONObjectWithString(text), expected) << text;
    EXPECT_EQ(platform::JSONObjectWithData(platform::bytesFromString(text)), expected) << text;
  }
}

TEST(Json, RefusesNestingDeeperThanTheStackAllows) {
  auto nested = [](size_t depth, const std::string& inner = "") {
    return std::string(depth, '[') + inner + std::string(depth, ']');
  };
  EXPECT_TRUE(platform::JSONObjectWithString(nested(512)));
  EXPECT_FALSE(platform::JSONObjectWithString(nested(513)));
  EXPECT_FALSE(platform::JSONObjectWithData(platform::bytesFromString(nested(200000))));
  // Brackets inside texts, escaped quotes included, are no nesting.
  EXPECT_TRUE(platform::JSONObjectWithString("[\"\\\"" + std::string(1000, '[') + "\"]"));
}

TEST(Json, TypedMemberReadsTreatOtherTypesAsMissing) {
  Json object = {{"s", "text"}, {"n", 5}, {"o", Json::object()}};
  EXPECT_EQ(platform::stringMember(object, "s"), "text");
  EXPECT_FALSE(platform::stringMember(object, "n"));
  EXPECT_FALSE(platform::stringMember(object, "missing"));
  EXPECT_FALSE(platform::stringMember(Json::array({1}), "s"));
  EXPECT_NE(platform::member(object, "o"), nullptr);
  EXPECT_EQ(platform::member(Json("x"), "o"), nullptr);
}

}  // namespace
