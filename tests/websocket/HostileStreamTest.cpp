// Whole streams from a misbehaving server through codec and collector together, as the engine
// joins them: what the owner hears, and that nothing follows the end of the connection.
#include <gtest/gtest.h>

#include "WebSocketTestUtil.h"

using namespace wstest;
using qor::FrameOpCode;

namespace {

Bytes text(const std::string& s, bool fin = true) { return serverFrame(FrameOpCode::textFrame, platform::bytesFromString(s), fin); }
Bytes cont(const std::string& s, bool fin = true) { return serverFrame(FrameOpCode::continueFrame, platform::bytesFromString(s), fin); }

TEST(HostileStream, EndsAtTheFirstBrokenRuleOrCloseFrame) {
  namespace fe = qor::frame_error;
  namespace ce = qor::collector_error;
  const std::string masked = std::string("error:1002:") + fe::kMaskedOrRSV;
  struct Case { std::string name; Bytes wire; std::vector<std::string> lines; };
  const std::vector<Case> table = {
      {"frames after a close frame", concat({text("a"), hex("880203e8"), text("b"), hex("8300")}),
       {"text:a", "closed:1000:"}},
      {"masked frame, then more", concat({text("a"), hex("818137fa213d56"), text("b")}), {"text:a", masked}},
      {"masked pong", concat({hex("8a8037fa213d"), text("b")}), {masked}},
      {"reserved opcode mid-message", concat({text("a", false), hex("8400"), cont("b")}),
       {std::string("error:1002:") + fe::kUnknownOpcode + "4"}},
      {"ping between fragments, close inside a message", concat({text("a", false), hex("8900"), hex("8800"), cont("b")}),
       {"ping:", "closed:1000:"}},
      {"fragmented ping", concat({hex("0901"), Bytes{'x'}, hex("8000")}), {std::string("error:1002:") + fe::kFragmentedControl}},
      {"continuation first", concat({cont("a"), text("b")}), {std::string("error:1002:") + ce::kFirstIsContinue, "text:b"}},
      {"new message inside a message", concat({text("a", false), text("b")}), {std::string("error:1002:") + ce::kNotContinue}},
      {"invalid utf-8 over fragments", concat({serverFrame(FrameOpCode::textFrame, hex("eda0"), false),
                                                serverFrame(FrameOpCode::continueFrame, hex("80"))}),
       {"error:1002:not valid UTF-8 data"}},
      {"close code 1005 from the wire", hex("880203ed"), {"closed:1002:"}},
      {"close reason not utf-8", hex("880403e8c328"), {"closed:1002:connection closed by server"}},
      {"one-byte close then text", concat({hex("880141"), text("x")}), {"closed:1002:"}},
      {"RSV1 without deflate", concat({hex("c10161"), text("b")}), {masked}},
      {"length that cannot be", concat({hex("827f8000000000000001"), text("b")}), {std::string("error:1002:") + fe::kInvalidLength}},
      {"length above the limit", hex("827f00000000ffffffff"), {std::string("error:1009:") + fe::kFrameTooBig}},
  };
  for (const auto& c : table) {
    for (Chunking how : {Chunking::whole, Chunking::byteByByte}) {
      SCOPED_TRACE(c.name + " " + chunkingName(how));
      auto pipeline = ClientPipeline::create();
      pipeline->feed(chunk(c.wire, how));
      EXPECT_EQ(pipeline->lines(), c.lines);
    }
  }
}

// A connection that ended in the middle of a fragmented message leaves nothing behind for the next.
TEST(HostileStream, StartsOverAfterReset) {
  auto pipeline = ClientPipeline::create();
  pipeline->feed(concat({text("half", false), hex("8800")}));
  pipeline->framer->reset([p = pipeline.get()] { p->collector.reset(); });
  pipeline->feed(concat({Bytes(1, 0x81), Bytes(1, 0x03), platform::bytesFromString("new")}));
  EXPECT_EQ(pipeline->lines(), (std::vector<std::string>{"closed:1000:", "text:new"}));
}

}  // namespace
