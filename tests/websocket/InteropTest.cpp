// Frames and deflate data crossing between our codec and python3-websockets' frame and extension
// code, in both directions.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "WebSocketTestUtil.h"
#include "common/websocket/compression/WSCompression.h"
#include "platform/Json.h"
#include "tests/support/TestSupport.h"

using namespace wstest;
using qor::FrameOpCode;

namespace {

std::string peerScript() {
  std::ifstream in(qortest::sourcePath("tests/websocket/ws_interop.py"));
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

platform::Json runPeer(const std::string& mode, const platform::Json& job) {
  auto result = qortest::runPython(peerScript(), {mode}, job.dump());
  EXPECT_EQ(result.exitCode, 0) << result.err;
  if (mode == "write") return platform::Json(result.out.substr(0, result.out.find('\n')));
  return platform::Json::parse(result.out);
}

struct Message {
  FrameOpCode opcode;
  Bytes data;
};

std::vector<Message> sampleMessages() {
  std::mt19937 rng(6455);
  std::vector<Message> out;
  for (size_t n : {0, 5, 125, 126, 4000, 65535, 65536, 100000}) {
    Bytes random(n), text(n);
    for (size_t i = 0; i < n; ++i) {
      random[i] = static_cast<uint8_t>(rng());
      text[i] = static_cast<uint8_t>('a' + i % 26);
    }
    out.push_back({FrameOpCode::textFrame, text});
    out.push_back({FrameOpCode::binaryFrame, random});
  }
  out.push_back({FrameOpCode::ping, platform::bytesFromString("are you there")});
  out.push_back({FrameOpCode::pong, {}});
  return out;
}

TEST(Interop, PeerReadsWhatOurClientWrites) {
  for (bool deflate : {false, true}) {
    SCOPED_TRACE(deflate ? "deflate" : "plain");
    auto framer = qor::WSFramer::create(false);
    auto compression = std::make_shared<qor::WSCompression>();
    compression->load({{"Sec-WebSocket-Extensions", "permessage-deflate; client_max_window_bits=15"}});
    Bytes wire;
    const auto messages = sampleMessages();
    for (const auto& m : messages) {
      std::optional<Bytes> compressed;
      if (deflate && qor::isDataOpCode(m.opcode)) compressed = compression->compress(m.data);
      auto frame = framer->createWriteFrame(m.opcode, compressed.value_or(m.data), compressed.has_value());
      wire.insert(wire.end(), frame.begin(), frame.end());
    }
    auto frames = runPeer("read", {{"deflate", deflate}, {"wire", platform::hexString(wire)}});
    ASSERT_EQ(frames.size(), messages.size());
    for (size_t i = 0; i < messages.size(); ++i) {
      EXPECT_EQ(frames[i]["opcode"], static_cast<int>(messages[i].opcode)) << i;
      EXPECT_EQ(frames[i]["fin"], true);
      EXPECT_EQ(frames[i]["data"], platform::hexString(messages[i].data)) << i;
    }
  }
}

TEST(Interop, OurClientReadsWhatThePeerWrites) {
  std::mt19937 rng(7692);
  for (bool deflate : {false, true}) {
    SCOPED_TRACE(deflate ? "deflate" : "plain");
    platform::Json job = {{"deflate", deflate}, {"messages", platform::Json::array()}};
    std::vector<std::string> expected;
    int index = 0;
    const std::map<FrameOpCode, std::string> kinds = {{FrameOpCode::textFrame, "text"}, {FrameOpCode::binaryFrame, "binary"},
                                                      {FrameOpCode::ping, "ping"}, {FrameOpCode::pong, "pong"}};
    for (const auto& m : sampleMessages()) {
      const int fragments = qor::isDataOpCode(m.opcode) ? 1 + index++ % 3 : 1;
      job["messages"].push_back({{"opcode", static_cast<int>(m.opcode)}, {"data", platform::hexString(m.data)},
                                 {"fragments", fragments}});
      expected.push_back(kinds.at(m.opcode) + ":" + platform::stringFromBytes(m.data));
    }
    const Bytes wire = platform::bytesFromHex(runPeer("write", job).get<std::string>()).value();

    std::shared_ptr<qor::WSCompression> compression;
    if (deflate) {
      compression = std::make_shared<qor::WSCompression>();
      compression->load({{"Sec-WebSocket-Extensions", "permessage-deflate"}});
    }
    auto side = ClientPipeline::create(compression);
    std::vector<Bytes> chunks;
    for (size_t pos = 0; pos < wire.size();) {
      const size_t n = std::min<size_t>(wire.size() - pos, 1 + rng() % 5000);
      chunks.emplace_back(wire.begin() + pos, wire.begin() + pos + n);
      pos += n;
    }
    side->feed(chunks);
    EXPECT_EQ(side->lines(), expected);
  }
}

}  // namespace
