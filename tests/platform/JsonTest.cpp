#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

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

// Stored values and peers rely on the reader taking exactly the texts nlohmann's parser takes, with
// the same values: every number keeps its JSON type (unsigned, signed or float).
TEST(Json, ReadsTheTextsTheLibraryReadsWithTheSameValuesAndTypes) {
  using namespace std::string_literals;
  using U = std::uint64_t;
  using I = std::int64_t;
  // Arrays and objects in turn, `depth` of them open around the innermost 1.
  const auto nestedText = [](size_t depth) {
    std::string open, close;
    for (size_t i = 0; i < depth; ++i) {
      open += i % 2 ? "{\"k\":" : "[";
      close.insert(0, i % 2 ? "}" : "]");
    }
    return open + "1" + close;
  };
  const auto nestedValue = [](size_t depth) {
    Json value = U{1};
    while (depth-- > 0) value = depth % 2 ? Json{{"k", std::move(value)}} : Json::array({std::move(value)});
    return value;
  };
  const auto one = [](Json element) { return Json::array({std::move(element)}); };
  struct Case {
    const char* name;
    std::string text;
    std::optional<Json> expected;  // nullopt: refused
  };
  const Case cases[] = {
      // The grammar and nothing around it.
      {"empty", "", std::nullopt},
      {"blanks only", " \t\r\n", std::nullopt},
      {"all four blanks", " \t\r\n[ \t\r\n1 \t\r\n, \t\r\n2 \t\r\n] \t\r\n", Json::array({U{1}, U{2}})},
      {"vertical tab", "[\v1]", std::nullopt},
      {"form feed", "[1\f]", std::nullopt},
      {"no-break space", "[\xC2\xA0]", std::nullopt},
      {"bare string", "\"x\"", std::nullopt},
      {"bare literal", "true", std::nullopt},
      {"bare number", " 1 ", std::nullopt},
      {"unclosed array", "[1", std::nullopt},
      {"unclosed object", "{\"a\":1", std::nullopt},
      {"mismatched close", "[1}", std::nullopt},
      {"extra close", "[]]", std::nullopt},
      {"two values", "{}{}", std::nullopt},
      {"trailing word", "{} x", std::nullopt},
      {"trailing comma in array", "[1,]", std::nullopt},
      {"trailing comma in object", "{\"a\":1,}", std::nullopt},
      {"leading comma", "[,1]", std::nullopt},
      {"double comma", "[1,,2]", std::nullopt},
      {"missing comma", "[1 2]", std::nullopt},
      {"missing colon", "{\"a\" 1}", std::nullopt},
      {"missing value", "{\"a\":}", std::nullopt},
      {"number as name", "{1:2}", std::nullopt},
      {"single quotes", "{'a':1}", std::nullopt},
      {"line comment", "[1]//", std::nullopt},
      {"block comment", "/**/[1]", std::nullopt},
      {"literals", "[true,false,null]", Json::array({true, false, nullptr})},
      {"capital literal", "[True]", std::nullopt},
      {"cut literal", "[nul]", std::nullopt},
      {"literal run on", "[truex]", std::nullopt},
      {"NaN", "[NaN]", std::nullopt},
      {"Infinity", "[-Infinity]", std::nullopt},
      // A NUL byte ends the text for nlohmann's lexer: what follows one is never read.
      {"NUL after the value", "{}\0"s, Json::object()},
      {"NUL then garbage", "[1] \0]]x"s, one(U{1})},
      {"NUL first", "\0{}"s, std::nullopt},
      {"NUL inside", "[1,\0]"s, std::nullopt},
      {"raw NUL in text", "[\"a\0\"]"s, std::nullopt},
      // A byte order mark only at the very start, and only whole.
      {"byte order mark", "\xEF\xBB\xBF{}", Json::object()},
      {"byte order mark and blank", "\xEF\xBB\xBF [2]", one(U{2})},
      {"byte order mark after blank", " \xEF\xBB\xBF{}", std::nullopt},
      {"two byte order marks", "\xEF\xBB\xBF\xEF\xBB\xBF{}", std::nullopt},
      {"cut byte order mark", "\xEF\xBB{}", std::nullopt},
      {"byte order mark alone", "\xEF\xBB\xBF", std::nullopt},
      // At most 512 open containers, objects and arrays alike.
      {"512 open", nestedText(512), nestedValue(512)},
      {"513 open", nestedText(513), std::nullopt},
      // Escapes.
      {"simple escapes", R"(["\"\\\/\b\f\n\r\t"])", one("\"\\/\b\f\n\r\t")},
      {"hex either case", R"(["\u00e9\u00C9\u20AC"])", one("\xC3\xA9\xC3\x89\xE2\x82\xAC")},
      {"escaped NUL", R"(["a\u0000b"])", one("a\0b"s)},
      {"last of each length", R"(["\u007f\u07FF\uffff"])", one("\x7F\xDF\xBF\xEF\xBF\xBF")},
      {"first of each length", R"(["\u0080\u0800"])", one("\xC2\x80\xE0\xA0\x80")},
      {"surrogate pair", R"(["\ud83d\uDE00"])", one("\xF0\x9F\x98\x80")},
      {"lowest pair", R"(["\uD800\uDC00"])", one("\xF0\x90\x80\x80")},
      {"highest pair", R"(["\uDBFF\uDFFF"])", one("\xF4\x8F\xBF\xBF")},
      {"lone low surrogate", R"(["\uDC00"])", std::nullopt},
      {"high surrogate alone", R"(["\uD800"])", std::nullopt},
      {"high surrogate then text", R"(["\uD800x"])", std::nullopt},
      {"high surrogate then other escape", R"(["\uD800\n"])", std::nullopt},
      {"two high surrogates", R"(["\uD800\uDBFF"])", std::nullopt},
      {"high surrogate then BMP", R"(["\uD800\u0041"])", std::nullopt},
      {"three hex digits", R"(["\u123"])", std::nullopt},
      {"non-hex digit", R"(["\u12G4"])", std::nullopt},
      {"unknown escape", R"(["\v"])", std::nullopt},
      {"escaped apostrophe", R"(["\'"])", std::nullopt},
      {"capital U escape", R"(["\U0041"])", std::nullopt},
      {"backslash at the end", "[\"\\", std::nullopt},
      {"unterminated text", "[\"abc", std::nullopt},
      // Raw bytes in texts.
      {"raw tab", "[\"\t\"]", std::nullopt},
      {"raw unit separator", "[\"\x1F\"]", std::nullopt},
      {"raw delete", "[\"\x7F\"]", one("\x7F")},
      {"two-byte bounds", "[\"\xC2\x80\xDF\xBF\"]", one("\xC2\x80\xDF\xBF")},
      {"three-byte bounds", "[\"\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF\"]",
       one("\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF")},
      {"four-byte bounds", "[\"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\"]", one("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF")},
      {"escape beside raw bytes", "[\"\xC3\xA9\\u00e9\xC3\xA9\"]", one("\xC3\xA9\xC3\xA9\xC3\xA9")},
      {"overlong two bytes", "[\"\xC0\xAF\"]", std::nullopt},
      {"overlong C1", "[\"\xC1\xBF\"]", std::nullopt},
      {"overlong three bytes", "[\"\xE0\x9F\xBF\"]", std::nullopt},
      {"encoded surrogate", "[\"\xED\xA0\x80\"]", std::nullopt},
      {"overlong four bytes", "[\"\xF0\x8F\xBF\xBF\"]", std::nullopt},
      {"above U+10FFFF", "[\"\xF4\x90\x80\x80\"]", std::nullopt},
      {"F5 lead", "[\"\xF5\x80\x80\x80\"]", std::nullopt},
      {"FF byte", "[\"\xFF\"]", std::nullopt},
      {"lone continuation", "[\"\x80\"]", std::nullopt},
      {"cut sequence", "[\"\xE2\x82\"]", std::nullopt},
      {"lead before an escape", "[\"\xC3\\u00A9\"]", std::nullopt},
      {"bad byte in a name", "{\"\xC3\x28\":1}", std::nullopt},
      {"escaped name", R"({"\u0041\n":1})", Json{{"A\n", U{1}}}},
      {"bad escape in a name", R"({"\uDC00":1})", std::nullopt},
      // Numbers.
      {"zero", "[0]", one(U{0})},
      {"minus zero", "[-0]", one(I{0})},
      {"negative", "[-1]", one(I{-1})},
      {"above int64", "[9223372036854775808]", one(U{9223372036854775808ULL})},
      {"uint64 max", "[18446744073709551615]", one(std::numeric_limits<U>::max())},
      {"uint64 max + 1", "[18446744073709551616]", one(18446744073709551616.0)},
      {"int64 min", "[-9223372036854775808]", one(std::numeric_limits<I>::min())},
      {"int64 min - 1", "[-9223372036854775809]", one(-9223372036854775809.0)},
      {"100-digit integer", "[1" + std::string(100, '0') + "]", one(1e100)},
      {"400-digit integer", "[" + std::string(400, '9') + "]", std::nullopt},
      {"fraction", "[1.0]", one(1.0)},
      {"minus zero fraction", "[-0.0]", one(-0.0)},
      {"exponents", "[1e2,1E+2,25e-1,0e0]", Json::array({100.0, 100.0, 2.5, 0.0})},
      {"rounded to even", "[9007199254740993.0]", one(9007199254740992.0)},
      {"long mantissa", "[0.1" + std::string(80, '0') + "1]", one(0.1)},
      {"subnormal", "[4.9e-324]", one(std::numeric_limits<double>::denorm_min())},
      {"underflow", "[1e-400,-1e-400]", Json::array({0.0, -0.0})},
      {"overflow", "[1e400]", std::nullopt},
      {"negative overflow", "[-1e400]", std::nullopt},
      {"leading plus", "[+1]", std::nullopt},
      {"leading zero", "[01]", std::nullopt},
      {"negative leading zero", "[-01]", std::nullopt},
      {"bare minus", "[-]", std::nullopt},
      {"no digit before the point", "[.5]", std::nullopt},
      {"no fraction digits", "[1.]", std::nullopt},
      {"no exponent digits", "[1e+]", std::nullopt},
      {"hexadecimal", "[0x10]", std::nullopt},
  };
  for (const auto& c : cases) {
    for (const auto& read : {platform::JSONObjectWithString(c.text),
                             platform::JSONObjectWithData(platform::bytesFromString(c.text))}) {
      EXPECT_EQ(read.has_value(), c.expected.has_value()) << c.name;
      if (!read || !c.expected) continue;
      EXPECT_EQ(read->dump(), c.expected->dump()) << c.name;
      // dump() writes 1 for both integer types; the flat form pairs every scalar with its type.
      const Json flat = read->flatten();
      const Json expectedFlat = c.expected->flatten();
      for (const auto& [pointer, value] : expectedFlat.items()) {
        EXPECT_EQ(flat.value(pointer, Json()).type(), value.type()) << c.name << " at " << pointer;
      }
    }
  }
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
