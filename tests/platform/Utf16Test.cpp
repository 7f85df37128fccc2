#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "platform/Bytes.h"
#include "platform/Utf16.h"
#include "tests/support/TestSupport.h"

using platform::sanitizeUtf8;
using platform::utf16FromUtf8;
using platform::utf8FromUtf16;

namespace {

std::string hexOf(std::u16string_view units) {
  std::ostringstream out;
  for (char16_t u : units) out << std::hex << int(u) << ' ';
  return out.str();
}

TEST(Utf16, DecodesUtf8IntoCodeUnitsWithMaximalSubpartsReplaced) {
  const std::pair<std::string, std::u16string> cases[] = {
      {"", u""},
      {"Ab1", u"Ab1"},
      {"\xC3\xA9", u"\u00E9"},                       // two bytes
      {"\xE2\x82\xAC", u"\u20AC"},                   // three bytes
      {"\xEF\xBF\xBF", u"\uFFFF"},                   // last of the BMP
      {"\xF0\x9F\x98\x80", u"\U0001F600"},           // astral: a surrogate pair
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},           // last scalar value
      {"\xEF\xBF\xBD", u"\uFFFD"},                   // a real replacement character stays one
      {"\x80", u"\uFFFD"},                           // lone continuation byte
      {"\x80\x80", u"\uFFFD\uFFFD"},                 // each stray continuation counts
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                 // overlong lead is never valid
      {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},       // overlong three-byte form
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},       // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xF5\x80", u"\uFFFD\uFFFD"},                 // lead past F4
      {"\xFF", u"\uFFFD"},
      {"\xF0\x9F\x98" "A", u"\uFFFD" "A"},           // truncated sequence is one subpart
      {"\xE2\x82", u"\uFFFD"},                       // truncated at the end
      {"\xC3" "A", u"\uFFFD" "A"},                   // the byte after is read afresh
      {"\xE2\x28\xA1", u"\uFFFD(\uFFFD"},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},  // NUL is a character
  };
  for (const auto& [utf8, utf16] : cases) {
    const std::u16string got = utf16FromUtf8(utf8);
    EXPECT_EQ(got, utf16) << platform::hexString(platform::bytesFromString(utf8)) << " gave " << hexOf(got);
  }
}

TEST(Utf16, EncodesCodeUnitsAsUtf8WithLoneSurrogatesReplaced) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"", ""},
      {u"Ab", "Ab"},
      {u"\u00E9\u20AC", "\xC3\xA9\xE2\x82\xAC"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
      {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
      {std::u16string{0xD83D}, "\xEF\xBF\xBD"},                       // high at the end
      {std::u16string{0xDE00}, "\xEF\xBF\xBD"},                       // lone low
      {std::u16string{0xD83D, u'A'}, "\xEF\xBF\xBD" "A"},             // high before a non-surrogate
      {std::u16string{0xDE00, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},   // pair in the wrong order
      {std::u16string{0xD83D, 0xD83D, 0xDE00}, "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
  };
  for (const auto& [utf16, utf8] : cases) {
    EXPECT_EQ(utf8FromUtf16(utf16), utf8) << hexOf(utf16);
  }
}

TEST(Utf16, SanitizingKeepsValidTextAndReplacesInvalidBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"plain {\"json\": 1}", "plain {\"json\": 1}"},
      {"\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD", "\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD"},
      {"a\xFF" "b", "a\xEF\xBF\xBD" "b"},
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"end\xF0\x9F\x98", "end\xEF\xBF\xBD"},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(sanitizeUtf8(input), expected) << platform::hexString(platform::bytesFromString(input));
  }
}

// The check skips ASCII a word at a time: a sequence anywhere in ASCII text, before, across or
// after a word's edge, is judged as the decoder judges it (valid text sanitizes to itself).
TEST(Utf16, ValidityOfASequenceDoesNotDependOnWhereItSits) {
  const std::pair<std::string, bool> sequences[] = {
      {"\xC3\xA9", true},          {"\xE2\x82\xAC", true}, {"\xF0\x9F\x98\x80", true},
      {"\xFF", false},              {"\x80", false},          {"\xC0\xAF", false},
      {"\xED\xA0\x80", false},     {"\xF0\x9F\x98", false}, {"\xF4\x90\x80\x80", false},
  };
  for (const auto& [sequence, valid] : sequences) {
    for (size_t before = 0; before <= 17; ++before) {
      for (size_t after : {size_t{0}, size_t{1}, size_t{9}}) {
        const std::string text = std::string(before, 'a') + sequence + std::string(after, 'z');
        const std::string hex = platform::hexString(platform::bytesFromString(text));
        EXPECT_EQ(platform::isValidUtf8(text), valid) << hex;
        EXPECT_EQ(platform::isValidUtf8(text), sanitizeUtf8(text) == text) << hex;
      }
    }
  }
  EXPECT_TRUE(platform::isValidUtf8(std::string(40, 'x')));
  EXPECT_TRUE(platform::isValidUtf8(""));
}

// Python's decoder follows the same replacement practice; random bytes biased towards the tricky
// leads and continuations must decode alike in both.
TEST(Utf16, RandomBytesDecodeAsPythonDecodesThem) {
  constexpr uint8_t kInteresting[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2,
                                      0xDF, 0xE0, 0xE1, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF4, 0xF5, 0xFF};
  std::mt19937 random(12345);
  std::vector<std::string> samples;
  std::string input;
  for (int i = 0; i < 2000; ++i) {
    std::string sample;
    const int length = static_cast<int>(random() % 9);
    for (int j = 0; j < length; ++j) {
      sample.push_back(static_cast<char>(random() % 3 ? kInteresting[random() % std::size(kInteresting)]
                                                      : static_cast<uint8_t>(random())));
    }
    samples.push_back(sample);
    input += platform::hexString(platform::bytesFromString(sample)) + "\n";
  }
  const auto result = qortest::runPython(R"(
import sys
for line in sys.stdin.read().split("\n")[:-1]:
    text = bytes.fromhex(line).decode("utf-8", "replace")
    print(text.encode("utf-16-be").hex(), text.encode("utf-8").hex())
)", {}, input);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::istringstream lines(result.out);
  for (const auto& sample : samples) {
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    const size_t blank = line.find(' ');
    const auto utf16be = platform::bytesFromHex(line.substr(0, blank));
    const auto utf8 = platform::bytesFromHex(line.substr(blank + 1));
    ASSERT_TRUE(utf16be && utf8) << line;
    std::u16string expected;
    for (size_t k = 0; k + 1 < utf16be->size(); k += 2) expected.push_back(char16_t((*utf16be)[k] << 8 | (*utf16be)[k + 1]));
    const std::string hex = platform::hexString(platform::bytesFromString(sample));
    EXPECT_EQ(utf16FromUtf8(sample), expected) << hex;
    EXPECT_EQ(sanitizeUtf8(sample), platform::stringFromBytes(*utf8)) << hex;
    EXPECT_EQ(utf8FromUtf16(utf16FromUtf8(sample)), sanitizeUtf8(sample)) << hex;
  }
}

}  // namespace
