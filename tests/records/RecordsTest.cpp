#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsB64.h"
#include "platform/Base64.h"
#include "platform/Clock.h"
#include "platform/Queue.h"
#include "platform/devices/SimulatedMotion.h"
#include "sdk/QORConstants.h"
#include "sdk/artifacts/CodeBlockHashArtifact.h"
#include "sdk/artifacts/QORArtifactList.h"
#include "sdk/artifacts/QORCodeBlockCallsArtifact.h"
#include "sdk/artifacts/QOROverlayAlertWindowArtifact.h"
#include "sdk/artifacts/QOROverlayWindowArtifact.h"
#include "sdk/artifacts/QORMotionArtifact.h"
#include "sdk/artifacts/QORScreenshotArtifact.h"
#include "sdk/artifacts/QORUserAnswerFactory.h"
#include "sdk/integrity/QORIntegrityArtifact.h"
#include "tests/support/TestSupport.h"

using platform::Json;
using qor::QORSessionArtifact;

namespace {

std::string base64Of(const std::string& text) { return platform::base64Encode(platform::bytesFromString(text)); }

// Runs Python with the reference server's module loaded as `server`; one JSON value per input
// line in, one per output line back.
std::vector<Json> withServerModule(const std::string& code, const std::vector<Json>& inputs) {
  const std::string script =
      "import importlib.util, json, sys\n"
      "loader = importlib.util.spec_from_file_location('server', sys.argv[1])\n"
      "server = importlib.util.module_from_spec(loader)\n"
      "loader.loader.exec_module(server)\n"
      "for line in sys.stdin:\n"
      "    value = json.loads(line)\n" +
      code;
  std::string input;
  for (const auto& value : inputs) input += value.dump() + "\n";
  const auto result = qortest::runPython(script, {qortest::sourcePath("tools/refserver/refserver.py")}, input);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  std::vector<Json> out;
  std::istringstream lines(result.out);
  for (std::string line; std::getline(lines, line);) out.push_back(Json::parse(line));
  return out;
}

std::vector<std::shared_ptr<QORSessionArtifact>> sampleRecords() {
  const auto block = [](Json id, const std::string& body) { return Json{{"id", std::move(id)}, {"body", base64Of(body)}}; };
  return {
      qor::CodeBlockHashArtifact::create(block("wakeup-1", R"({"seed":"abc"})")),
      qor::CodeBlockHashArtifact::create(block("A", "")),
      qor::CodeBlockHashArtifact::create(block("\xc3\xa9t\xc3\xa9-\xf0\x9f\x98\x80", R"({"a":1})")),
      qor::CodeBlockHashArtifact::create(block(std::string(40, 'z'), std::string(300, ' '))),
      qor::QORCodeBlockCallsArtifact::create(block("A", "")),
      qor::QORCodeBlockCallsArtifact::create(block("prepare-2", "{}")),
      qor::QORCodeBlockCallsArtifact::create(block("\xf0\x9f\x98\x80\xf0\x9f\x98\x80", "{}")),
      qor::QOROverlayWindowArtifact::create(),
      qor::QOROverlayAlertWindowArtifact::create(),
      qor::QORUserAnswer::create(404, "WUVT"),
      qor::QORMotionArtifact::create(),
      qor::QORScreenshotArtifact::create(platform::Image::imageWithPixels(2, 1, platform::Bytes(8, 0x7f))),
      qor::QORIntegrityArtifact::create({320, "DEBUGGER_ATTACHED", "TracerPid 77"}),
      qor::QORIntegrityArtifact::create({321, "INJECTED_LIBRARY", "\xc3\xa9t\xc3\xa9"}),
      qor::QORIntegrityArtifact::create({323, std::string(60, 'Z'), ""}),
  };
}

TEST(RecordHashCodes, MatchTheServersFormulas) {
  const auto records = sampleRecords();
  std::vector<Json> dictionaries;
  for (const auto& record : records) dictionaries.push_back(record->requestDictionary().value());
  const auto codes = withServerModule("    print(json.dumps(server.record_hash_code(value)))\n", dictionaries);
  ASSERT_EQ(codes.size(), records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i]->getHashCode(), codes[i].get<uint32_t>()) << dictionaries[i].dump();
  }
  // The values the protocol names.
  EXPECT_EQ(records[4]->getHashCode(), 4052239u);
  EXPECT_EQ(records[7]->getHashCode(), 361u);
  EXPECT_EQ(records[8]->getHashCode(), 369u);
  EXPECT_EQ(records[9]->getHashCode(), 0u);
  EXPECT_EQ(records[10]->getHashCode(), 363u);
}

TEST(CodeBlockHashRecord, HashesTheDecodedBodyBytesExactlyAsReceived) {
  const struct {
    const char* name;
    Json block;
  } cases[] = {
      {"compact JSON", {{"id", "B"}, {"body", base64Of(R"({"seed":"s"})")}}},
      {"JSON with blanks, hashed before any parsing", {{"id", "B"}, {"body", base64Of("{ \"seed\" :\n\"s\" }")}}},
      {"bytes that are not JSON", {{"id", "B"}, {"body", base64Of("\x01\x02 not json")}}},
      {"Base64 with line breaks", {{"id", "B"}, {"body", base64Of(R"({"seed":"s"})").insert(8, "\r\n")}}},
      {"no body", {{"id", "B"}}},
      {"a body that is not text", {{"id", "B"}, {"body", 5}}},
  };
  std::vector<Json> inputs;
  for (const auto& c : cases) inputs.push_back(c.block);
  const auto digests = withServerModule(
      "    body = value.get('body')\n"
      "    raw = __import__('base64').b64decode(''.join(c for c in body if c.isalnum() or c in '+/='))"
      " if isinstance(body, str) else b''\n"
      "    print(json.dumps(__import__('base64').b64encode(__import__('hashlib').sha256(raw).digest()).decode()))\n",
      inputs);
  ASSERT_EQ(digests.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    auto record = qor::CodeBlockHashArtifact::create(cases[i].block);
    EXPECT_EQ(record->b64CodeBlockHash(), digests[i].get<std::string>()) << cases[i].name;
    EXPECT_EQ(record->codeBlockId(), "B") << cases[i].name;
  }
  EXPECT_EQ(qor::CodeBlockHashArtifact::create(Json{{"id", "B"}})->b64CodeBlockHash(),
            "47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=");
}

TEST(RecordDictionaries, HaveExactlyTheirMembers) {
  const Json block = {{"id", "A"}, {"body", ""}};
  const struct {
    const char* name;
    std::shared_ptr<QORSessionArtifact> record;
    std::optional<Json> dictionary;
  } cases[] = {
      {"code-block hash",
       qor::CodeBlockHashArtifact::create(block),
       Json{{"type", 1102},
            {"className", "CodeBlockArtifact"},
            {"codeBlockId", "A"},
            {"codeBlockHash", "47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU="}}},
      {"calls", qor::QORCodeBlockCallsArtifact::create(block),
       Json{{"type", 1104}, {"className", "CallArtifact"}, {"codeBlockId", "A"}, {"calls", Json::array()}}},
      {"overlay window", qor::QOROverlayWindowArtifact::create(), Json{{"type", 302}, {"className", "SessionArtifact"}}},
      {"overlay alert", qor::QOROverlayAlertWindowArtifact::create(),
       Json{{"type", 310}, {"className", "SessionArtifact"}}},
      {"user answer", qor::QORUserAnswer::create(401, "Tk8="),
       Json{{"type", 401}, {"className", "UserAnswer"}, {"value", "Tk8="}}},
      {"no motion", qor::QORMotionArtifact::create(), Json{{"type", 304}, {"className", "SessionArtifact"}}},
      {"integrity finding", qor::QORIntegrityArtifact::create({322, "RUNNING_AS_ROOT", "euid 0"}),
       Json{{"type", 322}, {"className", "IntegrityArtifact"}, {"finding", "RUNNING_AS_ROOT"}, {"detail", "euid 0"}}},
      // Without their identifier or value these records have no dictionary.
      {"code-block hash without an id", qor::CodeBlockHashArtifact::create(Json{{"body", ""}}), std::nullopt},
      {"code-block hash with an id that is not text", qor::CodeBlockHashArtifact::create(Json{{"id", 1}}), std::nullopt},
      {"code-block hash of no block", qor::CodeBlockHashArtifact::create(std::nullopt), std::nullopt},
      {"calls without an id", qor::QORCodeBlockCallsArtifact::create(Json::object()), std::nullopt},
      {"calls of no block", qor::QORCodeBlockCallsArtifact::create(std::nullopt), std::nullopt},
      {"user answer without a value", qor::QORUserAnswer::create(404, std::nullopt), std::nullopt},
      {"user answer without a type", qor::QORUserAnswer::create(std::nullopt, "WUVT"), std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(c.record->requestDictionary(), c.dictionary) << c.name;
}

TEST(ArtifactList, RefusesAListWithARecordWithoutADictionary) {
  EXPECT_EQ(qor::artifactDictionaries({}), Json::array());
  auto good = qor::QOROverlayWindowArtifact::create();
  auto bad = qor::QORUserAnswer::create(404, std::nullopt);
  EXPECT_EQ(qor::artifactDictionaries({good, good}),
            (Json{good->requestDictionary().value(), good->requestDictionary().value()}));
  EXPECT_FALSE(qor::artifactDictionaries({good, bad}));
  EXPECT_FALSE(qor::artifactDictionaries({nullptr}));
}

class UserAnswerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { keys_ = qor::QORCryptUtilsAsymmetric::generateKeyPair(); }

  // pyca/cryptography opens each sealed answer with the private key.
  std::vector<std::string> openWithPython(const std::vector<std::string>& valuesB64) {
    std::string input = *qor::QORCryptUtilsB64::encodeDataToString(keys_->privateKey()->data()) + "\n";
    for (const auto& v : valuesB64) input += v + "\n";
    const auto result = qortest::runPython(
        "import base64, sys\n"
        "from cryptography.hazmat.primitives import serialization\n"
        "from cryptography.hazmat.primitives.asymmetric import padding\n"
        "lines = sys.stdin.read().split()\n"
        "key = serialization.load_der_private_key(base64.b64decode(lines[0]), None)\n"
        "for v in lines[1:]:\n"
        "    print(key.decrypt(base64.b64decode(v), padding.PKCS1v15()).decode('utf-8'))\n",
        {}, input);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::string> out;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) out.push_back(line);
    return out;
  }

  static std::shared_ptr<qor::QORKeyPair> keys_;
  qor::QORUserAnswerFactory factory_;
};

std::shared_ptr<qor::QORKeyPair> UserAnswerTest::keys_;

TEST_F(UserAnswerTest, SealedAnswersOpenToTheValueAndAFreshNonce) {
  const std::vector<std::pair<int64_t, std::string>> cases = {
      {qor::QORUserAnswerTypeAuthResultOK, "YES"},
      {qor::QORUserAnswerTypeAuthResultCancel, "NO"},
      {qor::QORUserAnswerTypeAuthResultForgotPin, "YES"},
      {qor::QORUserAnswerTypeAuthResultPin, "123456"},
      {qor::QORUserAnswerTypeAuthResultDeviceInfo, "YES"},
      {qor::QORUserAnswerTypeAuthResultSetPin, "0000"},
      {qor::QORUserAnswerTypeAuthResultPin, "p\xc3\xa9n:with:colons"},
      {qor::QORUserAnswerTypeAuthResultOK, ""},
  };
  std::vector<std::string> sealed;
  for (const auto& [type, value] : cases) {
    auto answer = factory_.createUserAnswerOfType(type, value, keys_->publicKey(), true);
    ASSERT_TRUE(answer->value()) << value;
    EXPECT_EQ(answer->requestDictionary()->at("type"), type);
    EXPECT_EQ(platform::base64Decode(*answer->value())->size(), 256u);
    sealed.push_back(*answer->value());
  }
  const auto opened = openWithPython(sealed);
  ASSERT_EQ(opened.size(), cases.size());
  std::set<std::string> nonces;
  for (size_t i = 0; i < cases.size(); ++i) {
    const auto& text = opened[i];
    const auto colon = text.rfind(':');
    ASSERT_NE(colon, std::string::npos) << text;
    EXPECT_EQ(text.substr(0, colon), cases[i].second);
    const auto nonce = platform::base64Decode(text.substr(colon + 1));
    ASSERT_TRUE(nonce) << text;
    EXPECT_EQ(nonce->size(), 16u);
    nonces.insert(text.substr(colon + 1));
  }
  EXPECT_EQ(nonces.size(), cases.size()) << "every sealing adds a fresh nonce";
}

TEST_F(UserAnswerTest, TheSameValueSealsDifferentlyEachTime) {
  auto first = factory_.createUserAnswerOfType(404, "YES", keys_->publicKey(), true);
  auto second = factory_.createUserAnswerOfType(404, "YES", keys_->publicKey(), true);
  EXPECT_NE(first->value(), second->value());
}

TEST_F(UserAnswerTest, PlainAnswersAreTheBase64OfTheValue) {
  auto answer = factory_.createUserAnswerOfType(405, "YES", keys_->publicKey(), false);
  EXPECT_EQ(answer->value(), "WUVT");
  EXPECT_EQ(factory_.createUserAnswerOfType(402, "1234", nullptr, false)->value(), "MTIzNA==");
  EXPECT_EQ(factory_.createUserAnswerOfType(405, "FACE3DMAP", nullptr, false)->requestDictionary(),
            (Json{{"type", 405}, {"className", "UserAnswer"}, {"value", "RkFDRTNETUFQ"}}));
}

TEST_F(UserAnswerTest, AFailedSealingLeavesNoValueAndNeverFallsBackToPlain) {
  const std::string longest(245 - 25, 'x');  // "<value>:" and 24 characters of nonce fill one block
  const struct {
    const char* name;
    std::optional<std::string> value;
    std::shared_ptr<qor::QORSecretKey> key;
    bool sealed;
  } cases[] = {
      {"no key", "YES", nullptr, false},
      {"a key without bytes", "YES", qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String("*"), false},
      {"an empty PIN key", "1234", qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(""), false},
      {"a private key in place of a public one", "YES", keys_->privateKey(), false},
      {"bytes that are no key", "YES", qor::QORSecretKey::create(platform::Bytes(92, 7), 1), false},
      {"no value", std::nullopt, keys_->publicKey(), false},
      {"the longest value that fits", longest, keys_->publicKey(), true},
      {"one byte too long", longest + "x", keys_->publicKey(), false},
  };
  for (const auto& c : cases) {
    auto answer = factory_.createUserAnswerOfType(404, c.value, c.key, true);
    EXPECT_EQ(answer->value().has_value(), c.sealed) << c.name;
    EXPECT_EQ(answer->requestDictionary().has_value(), c.sealed) << c.name;
    EXPECT_EQ(factory_.encryptValue(c.value, c.key).has_value(), c.sealed) << c.name;
  }
  EXPECT_FALSE(factory_.createUserAnswerOfType(404, std::nullopt, nullptr, false)->value());
}

TEST(Constants, HoldTheValuesTheServerAndTheModuleExpect) {
  EXPECT_EQ(qor::QORUserAnswerTypeAuthResultCancel, 401);
  EXPECT_EQ(qor::QORUserAnswerTypeAuthResultPin, 402);
  EXPECT_EQ(qor::QORUserAnswerTypeAuthResultOK, 404);
  EXPECT_EQ(qor::QORUserAnswerTypeAuthResultBiometric, 405);
  EXPECT_EQ(qor::QORUserAnswerTypeAuthResultDeviceInfo, 412);
  EXPECT_EQ(qor::QORUserAnswerTypeAuthResultSetPin, 413);
  EXPECT_EQ(qor::QORUserAnswerTypeAuthResultForgotPin, 414);
  EXPECT_EQ(qor::QORAuthTypeOk, 101);
  EXPECT_EQ(qor::QORAuthTypePin, 102);
  EXPECT_EQ(qor::QORAuthTypeBio, 105);
  EXPECT_EQ(qor::QORAuthTypeSetPin, 106);
  const std::pair<const char*, const char*> texts[] = {
      {qor::QORAuthControllerOkChainType, "WAKEUP_AUTH_OK"},
      {qor::QORAuthControllerPinChainType, "WAKEUP_AUTH_PIN"},
      {qor::QORAuthControllerBiometricChainType, "WAKEUP_AUTH_BIOMETRIC_OK"},
      {qor::QORAuthControllerSetPinChainType, "WAKEUP_AUTH_SET_PIN"},
      {qor::QORUserAnswerOk, "YES"},
      {qor::QORUserAnswerCancel, "NO"},
      {qor::guiDataResponseTextKey, "argGuiText"},
      {qor::guiDataResponseHeaderKey, "argGuiHeader"},
      {qor::flutterScreenKey, "argGuiFlutterScreen"},
      {qor::flutterScreenPinKey, "pinLength"},
      {qor::flutterScreenTransactionDataKey, "argGuiData"},
      {qor::flutterScreenMainKey, "mainScreen"},
      {qor::flutterScreenDetailsKey, "detailsScreen"},
      {qor::flutterScreenFallbackKey, "fallbackScreen"},
      {qor::flutterScreenProgressKey, "progressScreen"},
      {qor::screenKey, "screen"},
      {qor::screenDataKey, "screenData"},
      {qor::authContentTypeKey, "authContentType"},
      {qor::faceIdUsageDescriptionKey, "NSFaceIDUsageDescription"},
      {qor::flutterViewControllerTitle, "FlutterViewController"},
      {qor::paymentDataAmountKey, "argAmount"},
      {qor::paymentDataCreditorAccountKey, "argCreditorAccount"},
      {qor::paymentDataCreditorBankKey, "argCreditorBank"},
  };
  for (auto [constant, text] : texts) EXPECT_STREQ(constant, text);
  const std::pair<std::atomic<int32_t>*, int32_t> writable[] = {
      {&qor::topSafeAreaPadding, 50}, {&qor::bottomSafeAreaPadding, 150}, {&qor::sidewardSafeAreaPadding, 20},
      {&qor::hashCodePrime, 59},      {&qor::artifactType, 1101},
  };
  for (auto [value, initial] : writable) {
    EXPECT_EQ(value->load(), initial);
    *value = initial + 1;
    EXPECT_EQ(value->load(), initial + 1);
    *value = initial;
  }
}

// The sampler in virtual time: each case moves the device from 0.1 s on and lets 1 s pass.
class MotionRecordTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SimulatedMotion::reset(); }
  void TearDown() override {
    platform::MainQueue::shared()->clear();
    platform::SimulatedMotion::reset();
  }
  static void runFor(double seconds) { platform::MainQueue::shared()->runFor(platform::seconds(seconds)); }
  // Ticks waiting on the main queue after time moved on without it: a live timer leaves some.
  static size_t ticksAfter(double seconds) {
    platform::MainQueue::shared()->clear();
    platform::VirtualTime::advance(platform::seconds(seconds));
    return platform::MainQueue::shared()->pendingCount();
  }

  platform::VirtualTime time_;
};

TEST_F(MotionRecordTest, MotionIsAnAccelerationStrictlyBeyondTheThresholds) {
  const struct {
    const char* name;
    platform::CMAcceleration acceleration;
    bool motion;
  } cases[] = {
      {"lying still", {0, 0, 0}, false},
      {"every axis at its threshold", {0.05, -0.05, -0.12}, false},
      {"vertical 0.13", {0, 0, 0.13}, true},
      {"vertical -0.13", {0, 0, -0.13}, true},
      {"sideways 0.051", {0.051, 0, 0}, true},
      {"forward -0.06", {0, -0.06, 0}, true},
      {"vertical 0.1 is within its wider threshold", {0, 0, 0.1}, false},
      // Single precision, as the samples are read: 0.0500000001 is 0.05f.
      {"just above 0.05 in double only", {0.0500000001, 0, 0}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    platform::SimulatedMotion::reset();
    auto record = qor::QORMotionArtifact::create();
    platform::SimulatedMotion::setUserAccelerationAfter(platform::seconds(0.1), c.acceleration);
    runFor(1);
    EXPECT_EQ(record->hasDetectedMotion(), c.motion);
    EXPECT_EQ(record->isTrackingMotions(), !c.motion) << "sampling stops at the first motion";
  }
}

TEST_F(MotionRecordTest, ADeviceWithoutASensorNeverReportsMotion) {
  platform::SimulatedMotion::setAvailable(false);
  platform::SimulatedMotion::setUserAcceleration({1, 1, 1});
  auto record = qor::QORMotionArtifact::create();
  runFor(1);
  EXPECT_FALSE(record->hasDetectedMotion());
}

TEST_F(MotionRecordTest, SamplingStopsWithItsDictionaryAtMotionAndWhenTheRecordGoesAway) {
  auto record = qor::QORMotionArtifact::create();
  EXPECT_TRUE(record->isTrackingMotions());
  EXPECT_GT(ticksAfter(0.1), 0u) << "the timer ticks every 0.01 s";

  record->requestDictionary();
  EXPECT_FALSE(record->isTrackingMotions());
  EXPECT_EQ(ticksAfter(0.1), 0u);
  // Motion after the dictionary was built is not seen.
  platform::SimulatedMotion::setUserAcceleration({0, 0, 1});
  runFor(0.5);
  EXPECT_FALSE(record->hasDetectedMotion());

  platform::SimulatedMotion::reset();
  auto dropped = qor::QORMotionArtifact::create();
  EXPECT_GT(ticksAfter(0.1), 0u);
  dropped.reset();
  EXPECT_EQ(ticksAfter(0.1), 0u) << "a record that goes away leaves no timer behind";

  auto moved = qor::QORMotionArtifact::create();
  platform::SimulatedMotion::setUserAcceleration({0, 0, 1});
  runFor(0.1);
  EXPECT_TRUE(moved->hasDetectedMotion());
  EXPECT_EQ(ticksAfter(0.1), 0u);
}

TEST(ScreenshotRecord, CarriesThePngItsSizeAndThePlacesInsideThePaddings) {
  auto image = platform::Image::imageWithPixels(375, 812, platform::Bytes(375 * 812 * 4, 0xff));
  ASSERT_TRUE(image);
  auto record = qor::QORScreenshotArtifact::create(image);
  EXPECT_EQ(record->placesForScreenshot(), (Json::array({{{"x1", 20}, {"y1", 50}, {"x2", 355}, {"y2", 662}}})));
  const Json dictionary = record->requestDictionary().value();
  EXPECT_EQ(dictionary["type"], 1101);
  EXPECT_EQ(dictionary["className"], "ScreenshotArtifact");
  EXPECT_EQ(dictionary["screenshotWidth"], 375);
  EXPECT_EQ(dictionary["screenshotHeight"], 812);
  EXPECT_EQ(platform::base64Decode(dictionary["screenshotData"].get<std::string>()), platform::pngRepresentation(*image));
  EXPECT_EQ(dictionary.size(), 6u);

  // A JPEG has no PNG form here: the record goes without its data.
  const platform::Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x10, 0x00, 0x20, 0x03,
                                0x01, 0x22, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01};
  auto jpegImage = platform::Image::imageWithData(jpeg);
  ASSERT_TRUE(jpegImage);
  const Json withoutData = qor::QORScreenshotArtifact::create(jpegImage)->requestDictionary().value();
  EXPECT_FALSE(withoutData.contains("screenshotData"));
  EXPECT_EQ(withoutData["screenshotWidth"], 32);
  EXPECT_EQ(withoutData["places"][0]["x2"], 12);
}

TEST(ScreenshotRecord, ReadsThePrimeTheTypeAndThePaddingsWhenItComputes) {
  auto image = platform::Image::imageWithPixels(100, 300, platform::Bytes(100 * 300 * 4, 0));
  auto before = qor::QORScreenshotArtifact::create(image);
  const uint32_t hashBefore = before->getHashCode();
  const uint32_t h = static_cast<uint32_t>(QORSessionArtifact::hashFor(before->screenshotB64()));
  EXPECT_EQ(hashBefore, 59u * (59u + 1101u) + 59u * h);

  qor::hashCodePrime = 61;
  qor::artifactType = 1201;
  qor::topSafeAreaPadding = 10;
  auto after = qor::QORScreenshotArtifact::create(image);
  EXPECT_EQ(after->type(), 1201);
  EXPECT_EQ(after->getHashCode(), 61u * (61u + 1201u) + 61u * h);
  EXPECT_EQ(after->placesForScreenshot()[0]["y1"], 10);
  EXPECT_EQ(before->type(), 1101) << "the type is fixed when the record is made";
  qor::hashCodePrime = 59;
  qor::artifactType = 1101;
  qor::topSafeAreaPadding = 50;
}

}  // namespace
