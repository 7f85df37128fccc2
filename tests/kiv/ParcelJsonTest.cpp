#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <ostream>

#include "KivAbstractCore/FontLoadRequest.h"
#include "KivAbstractCore/KivDecodingError.h"
#include "KivAbstractCore/PrivateChannelData.h"
#include "KivAbstractCore/TransactionRequest.h"
#include "platform/Json.h"
#include "tests/support/TestSupport.h"

using platform::Json;
using qor::AuthData;
using qor::FontLoadRequest;
using qor::KivDecodingError;
using qor::PrivateChannelData;
using qor::TransactionRequest;

namespace {

// The JSON type of every value, told apart (a boolean is no number, an integer no float), with
// integers as exact decimal text: the same shape that the Python check below prints.
Json describe(const Json& v) {
  switch (v.type()) {
    case Json::value_t::boolean:
      return {"bool", v.get<bool>()};
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
      return {"int", v.dump()};
    case Json::value_t::string:
      return {"str", v.get<std::string>()};
    case Json::value_t::array: {
      Json items = Json::array();
      for (const auto& e : v) items.push_back(describe(e));
      return {"list", items};
    }
    case Json::value_t::object: {
      Json members = Json::object();
      for (const auto& [k, e] : v.items()) members[k] = describe(e);
      return {"dict", members};
    }
    default:
      return {"other", v.dump()};
  }
}

// Reads each line as strict UTF-8 and parses it with Python's json module, refusing repeated keys.
constexpr const char* kIndependentReader = R"PY(
import json, sys

def describe(v):
    if isinstance(v, bool): return ["bool", v]
    if isinstance(v, int): return ["int", str(v)]
    if isinstance(v, str): return ["str", v]
    if isinstance(v, list): return ["list", [describe(e) for e in v]]
    if isinstance(v, dict): return ["dict", {k: describe(e) for k, e in v.items()}]
    return ["other", repr(v)]

def unique(pairs):
    keys = [k for k, _ in pairs]
    if len(keys) != len(set(keys)):
        raise ValueError("repeated key")
    return dict(pairs)

out = []
for line in sys.stdin.buffer.read().split(b"\n")[:-1]:
    out.append(describe(json.loads(line.decode("utf-8"), object_pairs_hook=unique)))
print(json.dumps(out))
)PY";

const std::string kTrickyText = std::string(R"({"title":"Pay \"Bob\"","path":"C:\\dir/x","note":"a
b	c"})") + "\x01\x1f\x7f é 日本 😀 </script>";

struct PackCase {
  const char* name;
  std::function<std::string()> pack;
  Json expected;
};

const std::vector<PackCase>& packCases() {
  static const std::vector<PackCase> cases = {
      {"defaultRequest", [] { return TransactionRequest::create()->pack(); },
       {{"authType", 0}, {"data", {{"uiJsonProperties", ""}, {"useFallbackScreen", false}}}}},
      {"int64MinAndTrickyText",
       [] {
         return TransactionRequest::create(INT64_MIN, AuthData::create(kTrickyText, true))->pack();
       },
       {{"authType", INT64_MIN}, {"data", {{"uiJsonProperties", kTrickyText}, {"useFallbackScreen", true}}}}},
      {"int64Max", [] { return TransactionRequest::create(INT64_MAX, AuthData::create("{}", false))->pack(); },
       {{"authType", INT64_MAX}, {"data", {{"uiJsonProperties", "{}"}, {"useFallbackScreen", false}}}}},
      {"negativeType", [] { return TransactionRequest::create(-1, AuthData::create())->pack(); },
       {{"authType", -1}, {"data", {{"uiJsonProperties", ""}, {"useFallbackScreen", false}}}}},
      {"nullAuthDataTakenAsDefault", [] { return TransactionRequest::create(105, nullptr)->pack(); },
       {{"authType", 105}, {"data", {{"uiJsonProperties", ""}, {"useFallbackScreen", false}}}}},
      // Lone bytes, a cut sequence, an encoded surrogate: one U+FFFD per ill-formed sequence.
      {"illFormedTextReplaced",
       [] {
         return TransactionRequest::create(1, AuthData::create("ok\xff\xfe end \xe2\x82" "A\xed\xa0\x80", false))
             ->pack();
       },
       {{"authType", 1},
        {"data", {{"uiJsonProperties", "ok\uFFFD\uFFFD end \uFFFDA\uFFFD\uFFFD\uFFFD"}, {"useFallbackScreen", false}}}}},
      {"emptyFontMap", [] { return FontLoadRequest::create({})->pack(); }, {{"fontAssetMap", Json::object()}}},
      {"fontBytes",
       [] {
         return FontLoadRequest::create({{"empty", {}}, {"edges", {0, 1, 127, 128, 255}}, {"Fönt \"bold\"", {7}}})
             ->pack();
       },
       {{"fontAssetMap",
         {{"empty", Json::array()}, {"edges", Json::array({0, 1, 127, 128, 255})}, {"Fönt \"bold\"", Json::array({7})}}}}},
      {"illFormedFontName", [] { return FontLoadRequest::create({{"bad\xc0name", {1}}})->pack(); },
       {{"fontAssetMap", {{"bad\uFFFDname", Json::array({1})}}}}},
      {"channelName", [] { return PrivateChannelData::create("secure/channel \\ \"x\"")->pack(); },
       {{"channelName", "secure/channel \\ \"x\""}}},
      {"emptyChannelName", [] { return PrivateChannelData::create("")->pack(); }, {{"channelName", ""}}},
      {"illFormedChannelName", [] { return PrivateChannelData::create("\xf4\x90\x80\x80")->pack(); },
       {{"channelName", "\uFFFD\uFFFD\uFFFD\uFFFD"}}},
  };
  return cases;
}

TEST(ParcelPack, IndependentParserReadsTheMembersAndTypesOfEveryParcel) {
  std::string input;
  for (const auto& c : packCases()) input += c.pack() + "\n";
  const auto result = qortest::runPython(kIndependentReader, {}, input);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const Json seen = Json::parse(result.out);
  ASSERT_EQ(seen.size(), packCases().size());
  for (size_t i = 0; i < packCases().size(); ++i) {
    const auto& c = packCases()[i];
    EXPECT_EQ(seen[i], describe(c.expected)) << c.name << ": " << c.pack();
  }
}

// What createFrom makes of `from`, written out again; none when it fails.
using Decode = std::function<std::optional<Json>(const Json& from, platform::Error* error)>;

template <class T>
Decode decoderOf() {
  return [](const Json& from, platform::Error* error) -> std::optional<Json> {
    auto object = T::createFrom(from, error);
    if (!object) return std::nullopt;
    Json out;
    object->encode(out);
    return out;
  };
}

TEST(ParcelPack, DecodingThePackedTextGivesTheSameObjectBack) {
  const std::vector<std::pair<std::string, Decode>> parcels = {
      {TransactionRequest::create(INT64_MIN, AuthData::create(kTrickyText, true))->pack(), decoderOf<TransactionRequest>()},
      {TransactionRequest::create()->pack(), decoderOf<TransactionRequest>()},
      {FontLoadRequest::create({{"a", {0, 255}}, {"b", {}}})->pack(), decoderOf<FontLoadRequest>()},
      {PrivateChannelData::create(kTrickyText)->pack(), decoderOf<PrivateChannelData>()},
  };
  for (const auto& [text, decode] : parcels) {
    auto parsed = platform::JSONObjectWithString(text);
    ASSERT_TRUE(parsed) << text;
    auto again = decode(*parsed, nullptr);
    ASSERT_TRUE(again) << text;
    EXPECT_EQ(*again, *parsed) << text;
  }
  // The tricky text itself survives the trip exactly, inside the JSON text of the request.
  auto parsed = platform::JSONObjectWithString(
      TransactionRequest::create(3, AuthData::create(kTrickyText, false))->pack());
  ASSERT_TRUE(parsed);
  EXPECT_EQ((*parsed)["data"]["uiJsonProperties"], kTrickyText);
}

struct DecodeCase {
  const char* name;
  Decode decode;
  const char* json;
  std::optional<Json> expected;  // what it writes out again; none when decoding must fail
  KivDecodingError code = KivDecodingError::typeMismatch;
  const char* codingPath = "";
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name << ": " << c.json; }

DecodeCase ok(const char* name, Decode decode, const char* json, Json expected) {
  return {name, std::move(decode), json, std::move(expected)};
}
DecodeCase fails(const char* name, Decode decode, const char* json, KivDecodingError code, const char* path) {
  return {name, std::move(decode), json, std::nullopt, code, path};
}

class ParcelDecode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(ParcelDecode, AcceptsOnlyTheTypesOfTheTableAndIgnoresExtraMembers) {
  const DecodeCase& c = GetParam();
  const Json from = Json::parse(c.json);
  platform::Error error;
  const auto decoded = c.decode(from, &error);
  EXPECT_EQ(decoded.has_value(), c.decode(from, nullptr).has_value());
  if (c.expected) {
    ASSERT_TRUE(decoded) << error.localizedDescription();
    EXPECT_EQ(describe(*decoded), describe(*c.expected));
    EXPECT_TRUE(error.domain.empty());
  } else {
    EXPECT_FALSE(decoded) << decoded->dump();
    EXPECT_EQ(error.domain, qor::KivDecodingErrorDomain);
    EXPECT_EQ(error.code, static_cast<int64_t>(c.code)) << error.localizedDescription();
    EXPECT_EQ(error.userInfo.value("codingPath", "?"), c.codingPath);
  }
}

const auto kRequest = decoderOf<TransactionRequest>();
const auto kFont = decoderOf<FontLoadRequest>();
const auto kChannel = decoderOf<PrivateChannelData>();
using enum KivDecodingError;

Json request(Json authType, const char* text = "x", bool fallback = false) {
  return {{"authType", std::move(authType)}, {"data", {{"uiJsonProperties", text}, {"useFallbackScreen", fallback}}}};
}

INSTANTIATE_TEST_SUITE_P(
    Request, ParcelDecode,
    ::testing::Values(
        ok("full", kRequest, R"({"authType":7,"data":{"uiJsonProperties":"{}","useFallbackScreen":true}})",
           request(7, "{}", true)),
        ok("extraMembers", kRequest,
           R"({"authType":7,"x":1,"data":{"uiJsonProperties":"x","useFallbackScreen":false,"more":[1]}})", request(7)),
        ok("integralFloat", kRequest, R"({"authType":5.0,"data":{"uiJsonProperties":"x","useFallbackScreen":false}})",
           request(5)),
        ok("int64Max", kRequest,
           R"({"authType":9223372036854775807,"data":{"uiJsonProperties":"x","useFallbackScreen":false}})",
           request(INT64_MAX)),
        ok("int64Min", kRequest,
           R"({"authType":-9223372036854775808,"data":{"uiJsonProperties":"x","useFallbackScreen":false}})",
           request(INT64_MIN)),
        fails("aboveInt64", kRequest,
              R"({"authType":9223372036854775808,"data":{"uiJsonProperties":"x","useFallbackScreen":false}})",
              dataCorrupted, "authType"),
        fails("fraction", kRequest, R"({"authType":5.5,"data":{"uiJsonProperties":"x","useFallbackScreen":false}})",
              dataCorrupted, "authType"),
        fails("hugeFloat", kRequest, R"({"authType":1e300,"data":{"uiJsonProperties":"x","useFallbackScreen":false}})",
              dataCorrupted, "authType"),
        fails("typeAsText", kRequest, R"({"authType":"5","data":{"uiJsonProperties":"x","useFallbackScreen":false}})",
              typeMismatch, "authType"),
        fails("typeAsBoolean", kRequest,
              R"({"authType":true,"data":{"uiJsonProperties":"x","useFallbackScreen":false}})", typeMismatch,
              "authType"),
        fails("nullType", kRequest, R"({"authType":null,"data":{"uiJsonProperties":"x","useFallbackScreen":false}})",
              valueNotFound, "authType"),
        fails("noType", kRequest, R"({"data":{"uiJsonProperties":"x","useFallbackScreen":false}})", keyNotFound,
              "authType"),
        fails("noData", kRequest, R"({"authType":1})", keyNotFound, "data"),
        fails("nullData", kRequest, R"({"authType":1,"data":null})", valueNotFound, "data"),
        fails("dataArray", kRequest, R"({"authType":1,"data":[]})", typeMismatch, "data"),
        fails("noFallbackFlag", kRequest, R"({"authType":1,"data":{"uiJsonProperties":"x"}})", keyNotFound,
              "data.useFallbackScreen"),
        fails("fallbackFlagAsNumber", kRequest,
              R"({"authType":1,"data":{"uiJsonProperties":"x","useFallbackScreen":0}})", typeMismatch,
              "data.useFallbackScreen"),
        fails("fallbackFlagAsText", kRequest,
              R"({"authType":1,"data":{"uiJsonProperties":"x","useFallbackScreen":"true"}})", typeMismatch,
              "data.useFallbackScreen"),
        fails("screenAsObject", kRequest,
              R"({"authType":1,"data":{"uiJsonProperties":{},"useFallbackScreen":false}})", typeMismatch,
              "data.uiJsonProperties"),
        fails("notAnObject", kRequest, R"([1,2])", typeMismatch, "")),
    [](const auto& param) { return std::string(param.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Font, ParcelDecode,
    ::testing::Values(
        ok("emptyMap", kFont, R"({"fontAssetMap":{}})", {{"fontAssetMap", Json::object()}}),
        ok("edgesAndEmpty", kFont, R"({"fontAssetMap":{"a":[0,255],"b":[]},"x":1})",
           {{"fontAssetMap", {{"a", Json::array({0, 255})}, {"b", Json::array()}}}}),
        ok("integralFloatByte", kFont, R"({"fontAssetMap":{"a":[2.0]}})", {{"fontAssetMap", {{"a", Json::array({2})}}}}),
        fails("byte256", kFont, R"({"fontAssetMap":{"a":[0,256]}})", dataCorrupted, "fontAssetMap.a[1]"),
        fails("byteMinus1", kFont, R"({"fontAssetMap":{"a":[-1]}})", dataCorrupted, "fontAssetMap.a[0]"),
        fails("byteFraction", kFont, R"({"fontAssetMap":{"a":[1.5]}})", dataCorrupted, "fontAssetMap.a[0]"),
        fails("byteAsText", kFont, R"({"fontAssetMap":{"a":["1"]}})", typeMismatch, "fontAssetMap.a[0]"),
        fails("nullByte", kFont, R"({"fontAssetMap":{"a":[null]}})", valueNotFound, "fontAssetMap.a[0]"),
        fails("nullAsset", kFont, R"({"fontAssetMap":{"a":null}})", valueNotFound, "fontAssetMap.a"),
        fails("assetAsText", kFont, R"({"fontAssetMap":{"a":"AAEC"}})", typeMismatch, "fontAssetMap.a"),
        fails("mapAsArray", kFont, R"({"fontAssetMap":[]})", typeMismatch, "fontAssetMap"),
        fails("noMap", kFont, R"({})", keyNotFound, "fontAssetMap")),
    [](const auto& param) { return std::string(param.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Channel, ParcelDecode,
    ::testing::Values(ok("nameWithExtraNull", kChannel, R"({"channelName":"c","x":null})", {{"channelName", "c"}}),
                      fails("nullName", kChannel, R"({"channelName":null})", valueNotFound, "channelName"),
                      fails("nameAsNumber", kChannel, R"({"channelName":5})", typeMismatch, "channelName"),
                      fails("noName", kChannel, R"({})", keyNotFound, "channelName")),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
