#include <gtest/gtest.h>

#include "WebSocketTestUtil.h"
#include "common/websocket/framer/UTF8.h"

using namespace wstest;
using qor::Frame;
using qor::FrameCollector;
using qor::FrameOpCode;
using Event = FrameCollector::Event;

namespace {

Frame frame(FrameOpCode op, const std::string& payload, bool fin = true, bool compressed = false) {
  Frame f;
  f.opcode = op;
  f.isFin = fin;
  f.needsDecompression = compressed;
  f.payload = platform::bytesFromString(payload);
  f.payloadLength = f.payload.size();
  return f;
}
Frame rawFrame(FrameOpCode op, Bytes payload, bool fin = true) {
  Frame f = frame(op, "", fin);
  f.payload = std::move(payload);
  return f;
}
Frame closeFrame(uint16_t code, Bytes reason) {
  Frame f = rawFrame(FrameOpCode::connectionClose, std::move(reason));
  f.closeCode = code;
  return f;
}

struct CollectorRun {
  explicit CollectorRun(const std::vector<Frame>& frames, std::function<qor::DecompressResult(const Bytes&, bool)> inflate = {}) {
    recorder->inflate = std::move(inflate);
    collector.setDelegate(recorder);
    for (const auto& f : frames) collector.add(f);
    for (const auto& e : recorder->events) lines.push_back(describeEvent(e));
  }
  std::shared_ptr<CollectorRecorder> recorder = std::make_shared<CollectorRecorder>();
  FrameCollector collector;
  std::vector<std::string> lines;
};

TEST(FrameCollector, FormsEventsForFrameSequences) {
  namespace e = qor::collector_error;
  const std::string firstContinue = std::string("error:1002:") + e::kFirstIsContinue;
  const std::string notContinue = std::string("error:1002:") + e::kNotContinue;
  struct Case { std::string name; std::vector<Frame> frames; std::vector<std::string> events; };
  const std::vector<Case> table = {
      {"single text", {frame(FrameOpCode::textFrame, "hi")}, {"text:hi"}},
      {"empty text", {frame(FrameOpCode::textFrame, "")}, {"text:"}},
      {"binary in three",
       {frame(FrameOpCode::binaryFrame, "a", false), frame(FrameOpCode::continueFrame, "b", false),
        frame(FrameOpCode::continueFrame, "c")},
       {"binary:abc"}},
      {"ping between fragments",
       {frame(FrameOpCode::textFrame, "he", false), frame(FrameOpCode::ping, "p"),
        frame(FrameOpCode::continueFrame, "llo")},
       {"ping:p", "text:hello"}},
      {"pong and close between fragments",
       {frame(FrameOpCode::textFrame, "a", false), frame(FrameOpCode::pong, "q"), closeFrame(1000, {}),
        frame(FrameOpCode::continueFrame, "b")},
       {"pong:q", "closed:1000:", "text:ab"}},
      {"continuation first", {frame(FrameOpCode::continueFrame, "x")}, {firstContinue}},
      {"text inside a fragmented message",
       {frame(FrameOpCode::textFrame, "a", false), frame(FrameOpCode::textFrame, "b")}, {notContinue}},
      {"fragments dropped after an error, next message whole",
       {frame(FrameOpCode::binaryFrame, "a", false), frame(FrameOpCode::binaryFrame, "b"),
        frame(FrameOpCode::textFrame, "c")},
       {notContinue, "text:c"}},
      {"continuation after a finished message",
       {frame(FrameOpCode::textFrame, "a"), frame(FrameOpCode::continueFrame, "b")}, {"text:a", firstContinue}},
      {"close with reason", {closeFrame(1000, platform::bytesFromString("bye"))}, {"closed:1000:bye"}},
      {"close with bad reason", {closeFrame(1001, hex("ff"))}, {"closed:1002:connection closed by server"}},
      {"utf-8 split across fragments",
       {rawFrame(FrameOpCode::textFrame, hex("e282"), false), rawFrame(FrameOpCode::continueFrame, hex("ac"))},
       {"text:\xE2\x82\xAC"}},
      {"0xff in text", {rawFrame(FrameOpCode::textFrame, hex("41ff"))}, {"error:1002:not valid UTF-8 data"}},
      {"invalid utf-8 binary is fine", {rawFrame(FrameOpCode::binaryFrame, hex("ff"))}, {"binary:\xFF"}},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.name);
    CollectorRun run(c.frames);
    EXPECT_EQ(run.lines, c.events);
    EXPECT_FALSE(run.collector.isAssembling());
  }
}

TEST(FrameCollector, ChecksUtf8Strictly) {
  struct Case { std::string name; std::string hexText; bool valid; };
  const std::vector<Case> table = {
      {"ascii", "48656c6c6f", true},
      {"two-byte", "c3a9", true},
      {"three-byte", "e282ac", true},
      {"four-byte U+10FFFF", "f48fbfbf", true},
      {"U+D7FF", "ed9fbf", true},
      {"U+E000", "ee8080", true},
      {"overlong slash", "c0af", false},
      {"overlong C1", "c1bf", false},
      {"overlong three-byte", "e080af", false},
      {"overlong four-byte", "f08282ac", false},
      {"surrogate D800", "eda080", false},
      {"surrogate DFFF", "edbfbf", false},
      {"above U+10FFFF", "f4908080", false},
      {"F5 lead", "f5808080", false},
      {"lone continuation", "80", false},
      {"truncated two-byte", "c3", false},
      {"truncated four-byte", "f09f98", false},
      {"bad continuation", "e228a1", false},
      {"FE", "fe", false},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.name);
    const Bytes b = hex(c.hexText);
    EXPECT_EQ(qor::isValidUTF8(b), c.valid);
    CollectorRun whole({rawFrame(FrameOpCode::textFrame, b)});
    ASSERT_EQ(whole.lines.size(), 1u);
    EXPECT_EQ(whole.lines[0].rfind("text:", 0) == 0, c.valid);
    // The same bytes cut after the first one: the check is on the whole message.
    CollectorRun split({rawFrame(FrameOpCode::textFrame, Bytes(b.begin(), b.begin() + 1), false),
               rawFrame(FrameOpCode::continueFrame, Bytes(b.begin() + 1, b.end()))});
    EXPECT_EQ(split.lines, whole.lines);
  }
}

TEST(FrameCollector, DecompressesEveryFragmentOfACompressedMessage) {
  auto upper = [](const Bytes& data, bool) -> qor::DecompressResult {
    Bytes out = data;
    for (auto& b : out) b = static_cast<uint8_t>(toupper(b));
    return out;
  };
  CollectorRun run({frame(FrameOpCode::textFrame, "ab", false, true), frame(FrameOpCode::continueFrame, "cd", false),
           frame(FrameOpCode::continueFrame, "ef"), frame(FrameOpCode::textFrame, "plain")},
          upper);
  EXPECT_EQ(run.lines, (std::vector<std::string>{"text:ABCDEF", "text:plain"}));
  ASSERT_EQ(run.recorder->decompressCalls.size(), 3u);
  EXPECT_FALSE(run.recorder->decompressCalls[0].second);
  EXPECT_FALSE(run.recorder->decompressCalls[1].second);
  EXPECT_TRUE(run.recorder->decompressCalls[2].second);
}

TEST(FrameCollector, ReportsAFailedInflateAsAnErrorAndNeverAsData) {
  auto failing = [](const Bytes&, bool) -> qor::DecompressResult {
    return qor::WSError(qor::ErrorType::compressionError, "Error on decompressing", 1007);
  };
  CollectorRun run({frame(FrameOpCode::binaryFrame, "zz", true, true), frame(FrameOpCode::binaryFrame, "ok")}, failing);
  EXPECT_EQ(run.lines, (std::vector<std::string>{"error:1007:Error on decompressing", "binary:ok"}));
}

TEST(FrameCollector, RefusesMessagesAboveTheLimit) {
  auto recorder = std::make_shared<CollectorRecorder>();
  FrameCollector collector;
  collector.setDelegate(recorder);
  collector.setMaximumMessageSize(5);
  collector.add(frame(FrameOpCode::textFrame, "abc", false));
  collector.add(frame(FrameOpCode::continueFrame, "de"));
  collector.add(frame(FrameOpCode::textFrame, "abc", false));
  collector.add(frame(FrameOpCode::continueFrame, "def"));
  collector.add(frame(FrameOpCode::textFrame, "x"));
  std::vector<std::string> lines;
  for (const auto& e : recorder->events) lines.push_back(describeEvent(e));
  EXPECT_EQ(lines, (std::vector<std::string>{"text:abcde", "error:1009:message is longer than allowed", "text:x"}));
}

}  // namespace
