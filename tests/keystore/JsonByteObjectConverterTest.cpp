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
  const std::pair<const char*, platform::OptBytes> notRead[] = {
      {"nil", std::nullopt},
      {"empty", platform::Bytes{}},
      {"array", platform::bytesFromString("[1,2]")},
      {"number", platform::bytesFromString("12")},
      {"garbage", platform::Bytes{0x00, 0xFF, 0x7B}},
      {"trailing text", platform::bytesFromString("{} x")},
  };
  for (const auto& [name, bytes] : notRead) {
    EXPECT_EQ(QORJsonByteObjectConverter::dictionaryFromData(bytes), std::nullopt) << name;
  }
}

}  // namespace
