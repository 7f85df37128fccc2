#include <gtest/gtest.h>

#include "platform/Base64.h"

using platform::base64Decode;
using platform::base64Encode;
using platform::bytesFromString;

namespace {

// RFC 4648 section 10.
TEST(Base64, EncodesTheRfc4648Vectors) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (auto [plain, encoded] : cases) {
    EXPECT_EQ(base64Encode(bytesFromString(plain)), encoded) << plain;
    auto decoded = base64Decode(encoded);
    ASSERT_TRUE(decoded) << encoded;
    EXPECT_EQ(*decoded, bytesFromString(plain)) << encoded;
  }
}

TEST(Base64, EncodesAllByteValuesWithTheStandardAlphabet) {
  platform::Bytes all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
  const std::string text = base64Encode(all);
  EXPECT_EQ(text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
            std::string::npos);
  EXPECT_EQ(text.find('\n'), std::string::npos);
  EXPECT_EQ(base64Decode(text), all);
}

TEST(Base64, DecodingSkipsCharactersOutsideTheAlphabet) {
  const std::pair<const char*, const char*> cases[] = {
      {"YW Jj", "abc"}, {"Y\nW\r\nJj", "abc"}, {"  Zm9v\tYmFy  ", "foobar"}, {"Zg=\n=", "f"},
      {"Zm8=  ", "fo"}, {"*Zm9v*", "foo"},     {" ", ""},
  };
  for (auto [encoded, plain] : cases) {
    auto decoded = base64Decode(encoded);
    ASSERT_TRUE(decoded) << encoded;
    EXPECT_EQ(*decoded, bytesFromString(plain)) << encoded;
  }
}

TEST(Base64, TextThatDoesNotDecodeGivesNil) {
  const char* cases[] = {
      "Zg",        // not a whole group
      "Zm9",       // not a whole group
      "Z===",      // padding in the second place
      "====",      // padding only
      "Zg=a",      // data after padding inside the group
      "Zg==Zm9v",  // data after the padded group
      "Zm8==",     // a third '='
      "Zg===",     // padding past the group
      "=Zm9v",     // padding first
  };
  for (const char* encoded : cases) EXPECT_FALSE(base64Decode(encoded)) << encoded;
}

}  // namespace
