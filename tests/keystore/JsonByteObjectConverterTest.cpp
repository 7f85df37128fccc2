#include <gtest/gtest.h>

#include "common/request/QORJsonByteObjectConverter.h"

using platform::Json;
using qor::QORJsonByteObjectConverter;

namespace {

TEST(JsonByteObjectConverter, OnlyObjectsBecomeBytesAndOnlyObjectBytesComeBack) {
  EXPECT_EQ(QORJsonByteObjectConverter::dataFromDictionary(Json{{"a", 1}, {"b", "x"}}),
            platform::bytesFromString(R"({"a":1,"b":"x"})"));
  const std::pair<const char*, std::optional<Json>> notWritten[] = {
      {"nil", std::nullopt},
      {"array", Json::array({1})},
      {"text", Json("x")},
      {"invalid UTF-8", Json{{"a", std::string("\xFF")}}},
  };
  for (const auto& [name, value] : notWritten) {
    EXPECT_EQ(QORJsonByteObjectConverter::dataFromDictionary(value), std::nullopt) << name;
  }

  EXPECT_EQ(QORJsonByteObjectConverter::dictionaryFromData(platform::bytesFromString(R"( {"a":[1,2]} )")),
            (Json{{"a", {1, 2}}}));
  auto nested = [](size_t depth, const std::string& inner = "") {
    return platform::bytesFromString("{\"a\":" + std::string(depth, '[') + inner + std::string(depth, ']') + "}");
  };
  EXPECT_TRUE(QORJsonByteObjectConverter::dictionaryFromData(nested(511))) << "as deep as the platform reads";
  EXPECT_TRUE(QORJsonByteObjectConverter::dictionaryFromData(nested(1, R"("[[[{{\"[[)" + std::string(600, '[') + "\"")))
      << "brackets inside texts do not count";
  const std::pair<const char*, platform::OptBytes> notRead[] = {
      {"nil", std::nullopt},
      {"empty", platform::Bytes{}},
      {"array", platform::bytesFromString("[1,2]")},
      {"number", platform::bytesFromString("12")},
      {"garbage", platform::Bytes{0x00, 0xFF, 0x7B}},
      {"trailing text", platform::bytesFromString("{} x")},
      {"one level deeper than the platform reads", nested(512)},
      // Deep enough to overflow the stack of whoever copies or writes the value.
      {"deeply nested", nested(200000)},
  };
  for (const auto& [name, bytes] : notRead) {
    EXPECT_EQ(QORJsonByteObjectConverter::dictionaryFromData(bytes), std::nullopt) << name;
  }
}

}  // namespace
