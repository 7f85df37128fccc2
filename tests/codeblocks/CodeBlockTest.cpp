#include <gtest/gtest.h>

#include <chrono>
#include <climits>

#include "common/crypto/QORCryptUtilsB64.h"
#include "platform/Base64.h"
#include "platform/Clock.h"
#include "platform/DateFormatter.h"
#include "sdk/authorization/QORHandshakeStep1Response.h"
#include "sdk/authorization/QORWakeUpResponse.h"
#include "sdk/authorization/QorPrepareAuthResponse.h"
#include "sdk/codeblocks/ActionCodeBlock.h"
#include "sdk/codeblocks/EnrollmentActionCodeBlock.h"
#include "sdk/codeblocks/PrepareAuthActionCodeBlock.h"
#include "sdk/codeblocks/WakeUpActionCodeBlock.h"

using platform::Json;
using qor::ActionCodeBlock;
using qor::PrepareAuthActionCodeBlock;

namespace {

// 2024-03-01T12:00:00Z
constexpr double kStart = 1709294400.0;
constexpr const char* kStartText = "2024-03-01T12:00:00.000+0000";

std::string base64Of(const std::string& text) { return platform::base64Encode(platform::bytesFromString(text)); }

// An "actionCodeBlock" whose body is the JSON text of `body`.
Json blockWithBody(const Json& body, Json id = "B-1") {
  return Json{{"id", std::move(id)}, {"lifeTime", 300}, {"body", base64Of(body.dump())}};
}

TEST(SessionTimer, RoundsHalfAwayFromZeroAndCapsTheTimeoutAt300) {
  const struct {
    const char* name;
    Json started;  // null: member left out
    Json timeout;  // null: member left out
    double now;
    int64_t seconds;
  } cases[] = {
      {"started 10 s ago, 120 s", kStartText, 120, kStart + 10, 110},
      {"600 s is capped at 300", kStartText, 600, kStart + 10, 290},
      {"300 s is the cap itself", kStartText, 300, kStart + 10, 290},
      {"299 s is kept", kStartText, 299, kStart + 10, 289},
      {"a negative timeout is kept", kStartText, -30, kStart + 10, -40},
      {"a fractional timeout is cut toward zero", kStartText, 120.9, kStart + 10, 110},
      {"a timeout beyond 32 bits saturates, then is capped", kStartText, 1e12, kStart + 10, 290},
      {"a timeout below 32 bits saturates", kStartText, -1e12, kStart + 10, int64_t{INT32_MIN} - 10},
      {"a timeout as text counts as absent", kStartText, "120", kStart + 10, -10},
      {"a boolean timeout counts as absent", kStartText, true, kStart + 10, -10},
      {"no timeout", kStartText, nullptr, kStart + 10, -10},
      {"109.5 s left rounds up", kStartText, 120, kStart + 10.5, 110},
      {"109.6 s left rounds up", kStartText, 120, kStart + 10.4, 110},
      {"109.4 s left rounds down", kStartText, 120, kStart + 10.6, 109},
      {"0.5 s left rounds to 1", kStartText, 120, kStart + 119.5, 1},
      {"0.5 s past rounds to -1", kStartText, 120, kStart + 120.5, -1},
      {"the start's fraction is cut off", "2024-03-01T12:00:00.999+0000", 120, kStart + 10, 110},
      {"the start's zone counts", "2024-03-01T14:00:00.000+0200", 120, kStart + 10, 110},
      {"a start before 1970 is cut toward zero", "1969-12-31T23:59:59.500+0000", 120, 10, 110},
      {"no start counts as 1970", nullptr, 120, kStart, 120 - static_cast<int64_t>(kStart)},
      {"an unreadable start counts as 1970", "yesterday", 120, kStart, 120 - static_cast<int64_t>(kStart)},
      {"a start that is not text counts as 1970", 1709294400, 120, kStart, 120 - static_cast<int64_t>(kStart)},
  };
  for (const auto& c : cases) {
    Json body = Json::object();
    if (!c.started.is_null()) body["sessionStarted"] = c.started;
    if (!c.timeout.is_null()) body["sessionTimeout"] = c.timeout;
    EXPECT_EQ(ActionCodeBlock::fetchTimerSecondsTime(body, c.now), c.seconds) << c.name;
  }
}

TEST(SessionTimer, ReadsThePlatformClockWhenNoTimeIsGiven) {
  platform::VirtualTime time;
  const auto now = [] {
    return std::chrono::duration<double>(platform::Clock::wallNow().time_since_epoch()).count();
  };
  const platform::DateFormatter formatter("yyyy-MM-dd'T'HH:mm:ss.SSSZ");
  // A whole second, so that the start's cut-off fraction plays no part.
  const Json body = {{"sessionStarted", formatter.stringFromDate(std::floor(now()) - 10)},
                     {"sessionTimeout", 120},
                     {"argGuiData", "{}"}};
  const double fraction = now() - std::floor(now());
  const int64_t expected = std::llround(110 - fraction);
  EXPECT_EQ(ActionCodeBlock::fetchTimerSecondsTime(body), expected);
  platform::VirtualTime::jump(platform::seconds(30));
  EXPECT_EQ(ActionCodeBlock::fetchTimerSecondsTime(body), expected - 30);
  // The parsed block computes the timer once, when it is made.
  auto block = PrepareAuthActionCodeBlock::create(blockWithBody(body));
  EXPECT_EQ(block->guiData()->at("timerSecondsTime"), expected - 30);
}

TEST(GuiDataRewrite, ReplacesTheTextWithItsObjectAndAddsTheTimer) {
  const Json body = {{"seed", "S-1"},
                     {"argGuiData", R"({"operationType":2,"args":{"a":1}})"},
                     {"sessionStarted", kStartText},
                     {"sessionTimeout", 60},
                     {"other", "kept"}};
  const Json rewritten = ActionCodeBlock::setGuiDataDictionary(body, kStart + 20);
  EXPECT_EQ(rewritten, (Json{{"seed", "S-1"},
                             {"argGuiData", {{"operationType", 2}, {"args", {{"a", 1}}}, {"timerSecondsTime", 40}}},
                             {"sessionStarted", kStartText},
                             {"sessionTimeout", 60},
                             {"other", "kept"}}));
}

TEST(GuiDataRewrite, TextThatIsNotAJsonObjectGivesOnlyTheTimer) {
  const char* cases[] = {"", "nonsense", "[1,2]", "\"text\"", "42", "{\"unclosed\": 1", "null"};
  for (const char* text : cases) {
    const Json rewritten =
        ActionCodeBlock::setGuiDataDictionary(Json{{"argGuiData", text}, {"sessionTimeout", 5}}, 0);
    EXPECT_EQ(rewritten.at("argGuiData"), (Json{{"timerSecondsTime", 5}})) << text;
  }
}

TEST(CodeBlock, ParsesIdLifetimeAndSeedTreatingOtherTypesAsAbsent) {
  const Json goodBody = {{"seed", "S-1"}};
  const struct {
    const char* name;
    std::optional<Json> block;
    std::optional<std::string> id;
    int64_t lifeTime;
    std::optional<std::string> seed;
  } cases[] = {
      {"a whole block", blockWithBody(goodBody), "B-1", 300, "S-1"},
      {"no block", std::nullopt, std::nullopt, 0, std::nullopt},
      {"a block that is not an object", Json::array({1}), std::nullopt, 0, std::nullopt},
      {"an id that is a number", Json{{"id", 7}, {"body", base64Of(goodBody.dump())}}, std::nullopt, 0, "S-1"},
      {"a lifetime as text", Json{{"id", "B"}, {"lifeTime", "300"}}, "B", 0, std::nullopt},
      {"a fractional lifetime", Json{{"lifeTime", 300.7}}, std::nullopt, 300, std::nullopt},
      {"a lifetime beyond 64 bits", Json{{"lifeTime", 1e30}}, std::nullopt, INT64_MAX, std::nullopt},
      {"a body that is not text", Json{{"id", "B"}, {"body", goodBody}}, "B", 0, std::nullopt},
      {"a body that is not Base64", Json{{"id", "B"}, {"body", "*not base64"}}, "B", 0, std::nullopt},
      {"a body of a JSON array", Json{{"body", base64Of("[\"seed\"]")}}, std::nullopt, 0, std::nullopt},
      {"a body that is not JSON", Json{{"body", base64Of("seed=1")}}, std::nullopt, 0, std::nullopt},
      {"a seed that is a number", blockWithBody(Json{{"seed", 5}}), "B-1", 300, std::nullopt},
      {"Base64 with line breaks and blanks",
       Json{{"body", base64Of(goodBody.dump()).insert(4, "\r\n ")}}, std::nullopt, 0, "S-1"},
      {"the seed beside GUI data", blockWithBody(Json{{"argGuiData", "{}"}, {"seed", "S-2"}}), "B-1", 300, "S-2"},
  };
  for (const auto& c : cases) {
    auto block = ActionCodeBlock::create(c.block);
    ASSERT_TRUE(block) << c.name;
    EXPECT_EQ(block->blockId(), c.id) << c.name;
    EXPECT_EQ(block->lifeTime(), c.lifeTime) << c.name;
    EXPECT_EQ(block->seed(), c.seed) << c.name;
  }
}

TEST(PrepareAuthCodeBlock, ReadsTheTransaction) {
  const Json body = {{"seed", "S-1"},
                     {"chainType", "WAKEUP_AUTH_PIN"},
                     {"pinCodeLength", 6},
                     {"argGuiHeader", "Header"},
                     {"argGuiText", "Text"},
                     {"argAmount", "10.00 EUR"},
                     {"argCreditorAccount", "DE01"},
                     {"argCreditorBank", "Bank"},
                     {"argGuiFlutterScreen", {{"mainScreen", {}}}},
                     {"argGuiData", R"({"operationType":1,"payments":[{"amount":5}]})"},
                     {"sessionStarted", kStartText},
                     {"sessionTimeout", 120}};
  auto block = PrepareAuthActionCodeBlock::create(blockWithBody(body));
  EXPECT_EQ(block->seed(), "S-1");
  EXPECT_EQ(block->chainType(), "WAKEUP_AUTH_PIN");
  EXPECT_EQ(block->pinCodeLength(), 6);
  const Json& gui = *block->guiData();
  EXPECT_EQ(gui.at("operationType"), 1);
  EXPECT_EQ(gui.at("payments"), (Json::parse(R"([{"amount":5}])")));
  EXPECT_TRUE(gui.at("timerSecondsTime").is_number_integer());
  EXPECT_EQ(gui.at("argGuiHeader"), "Header");
  EXPECT_EQ(gui.at("argGuiText"), "Text");
  EXPECT_EQ(*block->paymentData(),
            (Json{{"argAmount", "10.00 EUR"}, {"argCreditorAccount", "DE01"}, {"argCreditorBank", "Bank"}}));
  // The whole body, with the GUI data as the rewritten object rather than the text it arrived as.
  const Json& whole = *block->flutterGuiData();
  EXPECT_EQ(whole.at("argGuiData"), (Json{{"operationType", 1},
                                          {"payments", Json::parse(R"([{"amount":5}])")},
                                          {"timerSecondsTime", gui.at("timerSecondsTime")}}));
  EXPECT_EQ(whole.at("argGuiFlutterScreen"), body.at("argGuiFlutterScreen"));
  EXPECT_EQ(whole.at("chainType"), "WAKEUP_AUTH_PIN");
}

TEST(PrepareAuthCodeBlock, DefaultsMissingAndWronglyTypedMembers) {
  const Json emptyPayments = {{"argAmount", ""}, {"argCreditorAccount", ""}, {"argCreditorBank", ""}};
  const Json headerAndText = {{"argGuiHeader", ""}, {"argGuiText", ""}};
  const struct {
    const char* name;
    Json body;
    int32_t pinCodeLength;
    Json guiData;
    Json paymentData;
    std::optional<std::string> chainType;
  } cases[] = {
      {"an empty body", Json::object(), 4, headerAndText, emptyPayments, std::nullopt},
      {"a PIN length as text", {{"pinCodeLength", "6"}}, 4, headerAndText, emptyPayments, std::nullopt},
      {"a null PIN length", {{"pinCodeLength", nullptr}}, 4, headerAndText, emptyPayments, std::nullopt},
      {"a fractional PIN length", {{"pinCodeLength", 6.7}}, 6, headerAndText, emptyPayments, std::nullopt},
      {"a PIN length beyond 32 bits", {{"pinCodeLength", 1e20}}, INT32_MAX, headerAndText, emptyPayments,
       std::nullopt},
      {"header and text that are not text",
       {{"argGuiHeader", 1}, {"argGuiText", Json::array()}}, 4, headerAndText, emptyPayments, std::nullopt},
      {"payment members that are not text",
       {{"argAmount", 10}, {"argCreditorAccount", nullptr}, {"argCreditorBank", Json::object()}}, 4, headerAndText,
       emptyPayments, std::nullopt},
      {"a chain type that is not text", {{"chainType", 404}}, 4, headerAndText, emptyPayments, std::nullopt},
      {"GUI data as an object counts as absent",
       {{"argGuiData", {{"operationType", 1}}}}, 4, headerAndText, emptyPayments, std::nullopt},
      {"GUI data as a number counts as absent", {{"argGuiData", 3}}, 4, headerAndText, emptyPayments, std::nullopt},
      {"GUI data that is not an object holds the timer",
       {{"argGuiData", "[]"}, {"sessionTimeout", 0}, {"sessionStarted", kStartText}}, 4,
       {{"argGuiHeader", ""}, {"argGuiText", ""}, {"timerSecondsTime", nullptr}}, emptyPayments, std::nullopt},
  };
  for (const auto& c : cases) {
    auto block = PrepareAuthActionCodeBlock::create(blockWithBody(c.body));
    EXPECT_EQ(block->pinCodeLength(), c.pinCodeLength) << c.name;
    ASSERT_TRUE(block->guiData()) << c.name;
    Json gui = *block->guiData();
    if (c.guiData.contains("timerSecondsTime")) {
      EXPECT_TRUE(gui.at("timerSecondsTime").is_number_integer()) << c.name;
      gui["timerSecondsTime"] = nullptr;
    }
    EXPECT_EQ(gui, c.guiData) << c.name;
    EXPECT_EQ(*block->paymentData(), c.paymentData) << c.name;
    EXPECT_EQ(block->chainType(), c.chainType) << c.name;
    // GUI data of another type than text is left out of the whole body too.
    const Json& whole = *block->flutterGuiData();
    EXPECT_TRUE(!whole.contains("argGuiData") || whole.at("argGuiData").is_object()) << c.name;
  }
}

TEST(PrepareAuthCodeBlock, WithoutABodyEverythingIsNilAndThePinLengthZero) {
  for (const auto& block : {PrepareAuthActionCodeBlock::create(std::nullopt),
                            PrepareAuthActionCodeBlock::create(Json{{"id", "B"}, {"body", "bm90IGpzb24="}})}) {
    EXPECT_EQ(block->pinCodeLength(), 0);
    EXPECT_FALSE(block->guiData());
    EXPECT_FALSE(block->flutterGuiData());
    EXPECT_FALSE(block->paymentData());
    EXPECT_FALSE(block->chainType());
  }
}

TEST(EnrollmentCodeBlock, TheScreenshotFlagIsSetOnlyByTheTextTrue) {
  const std::pair<Json, bool> cases[] = {
      {"true", true}, {"TRUE", false}, {"True", false}, {"1", false}, {" true", false},
      {"true ", false}, {"false", false}, {true, false}, {1, false}, {nullptr, false},
  };
  for (const auto& [flag, expected] : cases) {
    auto block = qor::EnrollmentActionCodeBlock::create(blockWithBody(Json{{"screenshotEnabled", flag}}));
    EXPECT_EQ(block->screenshotEnabled(), expected) << flag.dump();
  }
  EXPECT_FALSE(qor::EnrollmentActionCodeBlock::create(blockWithBody(Json::object()))->screenshotEnabled());
}

TEST(EnrollmentCodeBlock, ReadsTheKeysAsText) {
  auto block = qor::EnrollmentActionCodeBlock::create(
      blockWithBody(Json{{"seed", "S"}, {"pubSPS", "c3Bz"}, {"pubStorageInitial", 12}}));
  EXPECT_EQ(block->seed(), "S");
  EXPECT_EQ(block->pubSPS(), "c3Bz");
  EXPECT_EQ(block->pubStorageInitial(), std::nullopt);
}

TEST(WakeUpCodeBlock, ReadsTheStorageKeysAsText) {
  const struct {
    const char* name;
    Json body;
    std::optional<std::string> current;
    std::optional<std::string> next;
  } cases[] = {
      {"both", {{"prvStorageCurrent", "cHJ2"}, {"pubStorageNext", "cHVi"}}, "cHJ2", "cHVi"},
      {"none", Json::object(), std::nullopt, std::nullopt},
      {"not text", {{"prvStorageCurrent", Json::array()}, {"pubStorageNext", false}}, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    auto block = qor::WakeUpActionCodeBlock::create(blockWithBody(c.body));
    EXPECT_EQ(block->prvStorageCurrent(), c.current) << c.name;
    EXPECT_EQ(block->pubStorageNext(), c.next) << c.name;
  }
}

TEST(CodeBlockAnswers, KeepTheBodyAndParseTheirCodeBlock) {
  const Json body = {{"nonceQOR", "bm9uY2U="}, {"actionCodeBlock", blockWithBody(Json{{"seed", "S-9"}})}};
  auto wakeUp = qor::QORWakeUpResponse::create();
  wakeUp->setDecryptedBody(body);
  EXPECT_EQ(wakeUp->getDecryptedBody(), body);
  ASSERT_TRUE(wakeUp->codeBlock());
  EXPECT_EQ(wakeUp->getCodeBlock(), wakeUp->codeBlock());
  EXPECT_EQ(wakeUp->codeBlock()->seed(), "S-9");

  // A body without a code block (or with one that is not an object) still gives a block, without
  // members; the plain answer class parses none.
  for (const Json& other : {Json{{"nonceQOR", "x"}}, Json{{"actionCodeBlock", "text"}}}) {
    auto prepare = qor::QorPrepareAuthResponse::create();
    prepare->setDecryptedBody(other);
    ASSERT_TRUE(prepare->codeBlock()) << other.dump();
    EXPECT_FALSE(prepare->codeBlock()->blockId()) << other.dump();
    EXPECT_EQ(prepare->codeBlock()->pinCodeLength(), 0) << other.dump();
  }
  auto plain = qor::QorCodeBlockResponse::create();
  plain->setDecryptedBody(body);
  EXPECT_EQ(plain->getDecryptedBody(), body);
  EXPECT_FALSE(plain->getCodeBlock());
}

TEST(HandshakeStep1Answer, TakesTheAnswerKeyFromTheTopLevelAndTheServerKeyFromTheBody) {
  const struct {
    const char* name;
    Json answer;
    std::optional<Json> body;
    std::optional<std::string> skVTN;
    std::optional<std::string> pubVTNDH;
  } cases[] = {
      {"both", {{"skVTN", "c2s="}, {"dataEncryptedResponse", "x"}}, Json{{"pubVTNDH", "cHVi"}}, "c2s=", "cHVi"},
      {"no answer key", {{"dataEncryptedResponse", "x"}}, Json{{"pubVTNDH", "cHVi"}}, std::nullopt, "cHVi"},
      {"members that are not text", {{"skVTN", 5}}, Json{{"pubVTNDH", Json::object()}}, std::nullopt, std::nullopt},
      {"the key inside the body is not the answer key", Json::object(), Json{{"skVTN", "c2s="}}, std::nullopt,
       std::nullopt},
      {"no body", {{"skVTN", "c2s="}}, std::nullopt, "c2s=", std::nullopt},
  };
  for (const auto& c : cases) {
    auto answer = qor::QORHandshakeStep1Response::create();
    answer->setResponseDictionary(c.answer);
    answer->setDecryptedBody(c.body);
    EXPECT_EQ(answer->skVTN(), c.skVTN) << c.name;
    EXPECT_EQ(answer->pubVTNDHBase64(), c.pubVTNDH) << c.name;
    EXPECT_FALSE(answer->getDecryptedBody()) << c.name;
  }
}

}  // namespace
