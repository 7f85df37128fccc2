#include <gtest/gtest.h>

#include <climits>

#include "common/artifacts/QORSessionArtifact.h"

using platform::Bytes;
using qor::QORSessionArtifact;

namespace {

TEST(HashFor, IsTheJavaStyleStringHashOverUtf16Units) {
  const struct {
    const char* name;
    std::optional<std::string> text;
    int32_t hash;
  } cases[] = {
      {"nil", std::nullopt, 0},
      {"empty", "", 0},
      {"abc", "abc", 96354},
      {"hello world", "hello world", 1794106052},
      {"wraps to the smallest int", "polygenelubricants", INT_MIN},
      {"a basic-plane character above ASCII", "\xc3\xa9", 233},
      {"one character outside the basic plane, as two surrogates", "\xf0\x9f\x98\x80", 31 * 0xD83D + 0xDE00},
      {"surrogates between other units", "a\xf0\x9f\x98\x80" "b", 57849694},
      // Ill-formed UTF-8: one U+FFFD per maximal ill-formed subpart.
      {"a stray byte", "\xff", 0xFFFD},
      {"a sequence cut short", "a\xe2\x82" "b", 2124838},
      {"an encoded surrogate", "\xed\xa0\x80", 65074269},
      {"an overlong encoding", "\xc0\xaf", 2097056},
      {"past U+10FFFF", "\xf4\x90\x80\x80", 2017367872},
  };
  for (const auto& c : cases) EXPECT_EQ(QORSessionArtifact::hashFor(c.text), c.hash) << c.name;
}

class FixedHashArtifact : public QORSessionArtifact {
 public:
  explicit FixedHashArtifact(uint32_t hash) : QORSessionArtifact(1), hash_(hash) {}
  uint32_t getHashCode() const override { return hash_; }

 private:
  uint32_t hash_;
};

TEST(SessionArtifact, HashCodeDataIsBigEndian) {
  const std::pair<uint32_t, Bytes> cases[] = {
      {1, {0, 0, 0, 1}},
      {0x01020304, {1, 2, 3, 4}},
      {0x80000000, {0x80, 0, 0, 0}},
      {0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const auto& [hash, bytes] : cases) EXPECT_EQ(FixedHashArtifact(hash).getHashCodeData(), bytes) << hash;
  EXPECT_EQ(QORSessionArtifact::create(5)->getHashCodeData(), (Bytes{0, 0, 0, 0}));
}

TEST(SessionArtifact, RequestDictionaryHoldsTheTypeOrIsNil) {
  const auto typed = QORSessionArtifact::create(1102);
  EXPECT_EQ(typed->type(), 1102);
  EXPECT_EQ(typed->requestDictionary(), (platform::Json{{"type", 1102}}));
  EXPECT_FALSE(QORSessionArtifact::create(std::nullopt)->requestDictionary());
}

TEST(SessionArtifact, ExportsTheServersKeysAndValues) {
  const std::pair<const char*, const char*> cases[] = {
      {qor::dictionaryKeyArtifacts, "artifacts"},
      {qor::dictionaryKeyArtifactsValue, "value"},
      {qor::dictionaryKeyArtifactsClassName, "className"},
      {qor::dictionaryKeyArtifactsApnsEnabled, "isApnsEnabled"},
      {qor::dictionaryKeyArtifactsBiometryEnabled, "isBiometryEnabled"},
      {qor::dictionaryValueArtifactsSession, "SessionArtifact"},
      {qor::dictionaryValueArtifactsSimple, "SimpleArtifact"},
      {qor::deviceInfoArtifactTypeString, "RESULT_DEVICE_INFO"},
      {qor::dictionaryKeyRequestHeaderType, "type"},
  };
  for (auto [constant, text] : cases) EXPECT_STREQ(constant, text);
  EXPECT_EQ(qor::deviceInfoArtifactType, 412);
}

}  // namespace
