#include <gtest/gtest.h>

#include "common/crypto/QORCryptUtils.h"
#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsB64.h"
#include "common/crypto/QORCryptUtilsMD5.h"
#include "tests/crypto/PythonPeer.h"

using platform::Bytes;
using platform::bytesFromString;
using platform::OptBytes;
using qor::QORCryptUtils;
using qor::QORCryptUtilsB64;
using qor::QORCryptUtilsMD5;
using cryptotest::hex;

namespace {

// RFC 1321, appendix A.5 (the whole suite runs against the platform digest, tests/platform).
TEST(Md5, EncodesWholeInputsAndNilAsEmpty) {
  EXPECT_EQ(platform::hexString(QORCryptUtilsMD5::encode(bytesFromString(
                "12345678901234567890123456789012345678901234567890123456789012345678901234567890"))),
            "57edf4a22be3c955ac49da2e2107b67a");
  EXPECT_EQ(platform::hexString(QORCryptUtilsMD5::encode(bytesFromString("message digest"))),
            "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(QORCryptUtilsMD5::encode(Bytes{}), hex("d41d8cd98f00b204e9800998ecf8427e"));
  EXPECT_EQ(QORCryptUtilsMD5::encode(std::nullopt), hex("d41d8cd98f00b204e9800998ecf8427e"));
}

TEST(DerivedNonce, IsMd5OfTheDataFollowedByTheText) {
  struct Case {
    const char* name;
    std::optional<std::string> text;
    OptBytes data;
    const char* digest;
  } cases[] = {
      {"both nil", std::nullopt, std::nullopt, "d41d8cd98f00b204e9800998ecf8427e"},
      {"both empty", "", Bytes{}, "d41d8cd98f00b204e9800998ecf8427e"},
      {"text only", "abc", std::nullopt, "900150983cd24fb0d6963f7d28e17f72"},
      {"data only", std::nullopt, bytesFromString("abc"), "900150983cd24fb0d6963f7d28e17f72"},
      {"data first", "c", bytesFromString("ab"), "900150983cd24fb0d6963f7d28e17f72"},
      {"text as UTF-8", "\xc3\xa9", std::nullopt, "66ddcd97cfdeabb2f6fb8a999b4bc76f"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::hexString(QORCryptUtils::generateNonce(c.text, c.data)), c.digest) << c.name;
  }
}

TEST(Base64, EncodesWithTheStandardAlphabetAndKeepsNil) {
  const Bytes bytes = {0xfb, 0xff, 0xbf, 0x00};
  EXPECT_EQ(QORCryptUtilsB64::encodeDataToString(bytes), "+/+/AA==");
  EXPECT_EQ(QORCryptUtilsB64::encodeData(bytes), bytesFromString("+/+/AA=="));
  EXPECT_EQ(QORCryptUtilsB64::encodeDataToString(Bytes{}), "");
  EXPECT_EQ(QORCryptUtilsB64::encodeString("\xc3\xa9t\xc3\xa9"), "w6l0w6k=");
  EXPECT_EQ(QORCryptUtilsB64::encodeString(""), "");
  EXPECT_FALSE(QORCryptUtilsB64::encodeDataToString(std::nullopt));
  EXPECT_FALSE(QORCryptUtilsB64::encodeData(std::nullopt));
  EXPECT_FALSE(QORCryptUtilsB64::encodeString(std::nullopt));
  // No line breaks, however long.
  EXPECT_EQ(QORCryptUtilsB64::encodeDataToString(Bytes(300, 0x41))->find_first_of("\r\n"), std::string::npos);
}

TEST(Base64, DecodingSkipsForeignCharactersAndRefusesBrokenText) {
  struct Case {
    std::optional<std::string> text;
    OptBytes decoded;
  } cases[] = {
      {"YWJj", bytesFromString("abc")},
      {"YW Jj", bytesFromString("abc")},
      {"YW\r\nJj\n", bytesFromString("abc")},
      {"", Bytes{}},
      {std::nullopt, std::nullopt},
      {"YWJ", std::nullopt},
      {"YQ==YWJj", std::nullopt},
  };
  for (const auto& c : cases) {
    const std::string name = c.text.value_or("<nil>");
    EXPECT_EQ(QORCryptUtilsB64::decodeString(c.text), c.decoded) << name;
    const OptBytes asBytes = c.text ? OptBytes(bytesFromString(*c.text)) : std::nullopt;
    EXPECT_EQ(QORCryptUtilsB64::decodeData(asBytes), c.decoded) << name;
  }
}

TEST(RestoredKeys, AreType1AndCarryNilWhenTheTextDoesNotDecode) {
  using qor::QORCryptUtilsAsymmetric;
  const auto fromText = QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String("YW Jj");
  ASSERT_TRUE(fromText);
  EXPECT_EQ(fromText->type(), 1);
  EXPECT_EQ(fromText->data(), bytesFromString("abc"));
  for (const std::optional<std::string>& text : {std::optional<std::string>(), std::optional<std::string>("YWJ")}) {
    const auto key = QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(text);
    ASSERT_TRUE(key) << "a key object, even without bytes";
    EXPECT_FALSE(key->data());
    EXPECT_EQ(key->type(), 1);
  }
  const auto fromData = QORCryptUtilsAsymmetric::restoreSecretKeyFromData(Bytes{1, 2});
  EXPECT_EQ(fromData->type(), 1);
  EXPECT_EQ(fromData->data(), (Bytes{1, 2}));
}

}  // namespace
