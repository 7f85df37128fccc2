#include <gtest/gtest.h>

#include <random>
#include <set>
#include <thread>

#include "WebSocketTestUtil.h"
#include "common/websocket/framer/FrameReader.h"
#include "common/websocket/framer/WSBytes.h"

using namespace wstest;
using qor::Frame;
using qor::FrameOpCode;

namespace {

Bytes repeatBytes(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + 3);
  return b;
}

// RFC 6455, section 5.7: each example with the role that reads it and the frames it yields.
struct Fixture {
  std::string name;
  bool readByServer;
  Bytes wire;
  std::vector<Frame> frames;
};

Frame frame(FrameOpCode op, Bytes payload, bool fin = true, bool masked = false) {
  Frame f;
  f.isFin = fin;
  f.isMasked = masked;
  f.opcode = op;
  f.payloadLength = payload.size();
  f.payload = std::move(payload);
  return f;
}

std::vector<Fixture> rfcFixtures() {
  const Bytes hello = platform::bytesFromString("Hello");
  const Bytes big256 = repeatBytes(256);
  const Bytes big64k = repeatBytes(65536);
  return {
      {"unmaskedText", false, hex("810548656c6c6f"), {frame(FrameOpCode::textFrame, hello)}},
      {"maskedText", true, hex("818537fa213d7f9f4d5158"), {frame(FrameOpCode::textFrame, hello, true, true)}},
      {"fragmentedText", false, hex("010348656c80026c6f"),
       {frame(FrameOpCode::textFrame, platform::bytesFromString("Hel"), false),
        frame(FrameOpCode::continueFrame, platform::bytesFromString("lo"))}},
      {"unmaskedPing", false, hex("890548656c6c6f"), {frame(FrameOpCode::ping, hello)}},
      {"maskedPong", true, hex("8a8537fa213d7f9f4d5158"), {frame(FrameOpCode::pong, hello, true, true)}},
      {"binary256", false, concat({hex("827e0100"), big256}), {frame(FrameOpCode::binaryFrame, big256)}},
      {"binary64k", false, concat({hex("827f0000000000010000"), big64k}), {frame(FrameOpCode::binaryFrame, big64k)}},
  };
}

TEST(FrameCodec, ReadsTheRfcExamplesHoweverTheyArriveInChunks) {
  for (const auto& fx : rfcFixtures()) {
    for (Chunking how : {Chunking::whole, Chunking::split, Chunking::byteByByte}) {
      for (size_t at : {size_t(1), fx.wire.size() / 2, fx.wire.size() - 1}) {
        if (how != Chunking::split && at != 1) continue;
        SCOPED_TRACE(fx.name + " " + chunkingName(how) + " at " + std::to_string(at));
        CodecHarness h(fx.readByServer);
        h.feed(chunk(fx.wire, how, at));
        EXPECT_EQ(h.recorder->frames(), fx.frames);
        EXPECT_TRUE(h.recorder->errors().empty());
      }
    }
  }
}

TEST(FrameCodec, ReadsSeveralFramesOfOneChunkAndKeepsAPartialOne) {
  CodecHarness h;
  const Bytes a = serverFrame(FrameOpCode::textFrame, platform::bytesFromString("one"));
  const Bytes b = serverFrame(FrameOpCode::binaryFrame, repeatBytes(200));
  const Bytes both = concat({a, b, Bytes(b.begin(), b.begin() + 5)});
  h.feed(both);
  ASSERT_EQ(h.recorder->frames().size(), 2u);
  h.feed(Bytes(b.begin() + 5, b.end()));
  auto frames = h.recorder->frames();
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[2].payload, repeatBytes(200));
}

TEST(FrameCodec, WaitsForEveryByteOfA16BitLength) {
  CodecHarness h;
  const Bytes wire = serverFrame(FrameOpCode::textFrame, Bytes(200, 'a'));
  ASSERT_EQ(wire.size(), 204u);
  h.feed(Bytes(wire.begin(), wire.end() - 1));
  EXPECT_TRUE(h.recorder->events().empty());
  h.feed(Bytes{wire.back()});
  EXPECT_EQ(h.recorder->frames().size(), 1u);
}

struct Rejection {
  std::string name;
  bool isServer;
  bool negotiated;
  Bytes wire;
  std::string message;
  uint16_t code;
};

TEST(FrameCodec, RefusesFramesThatBreakAFramingRule) {
  namespace e = qor::frame_error;
  const std::string masked = e::kMaskedOrRSV;
  const std::vector<Rejection> table = {
      {"client: masked text", false, false, hex("818537fa213d7f9f4d5158"), masked, 1002},
      {"client: masked pong", false, false, hex("8a8537fa213d7f9f4d5158"), masked, 1002},
      {"client: masked close", false, false, hex("888200000000"), masked, 1002},
      {"client: RSV2", false, false, hex("a100"), masked, 1002},
      {"client: RSV3", false, false, hex("9100"), masked, 1002},
      {"client: RSV2 with deflate", false, true, hex("a100"), masked, 1002},
      {"client: RSV1 without deflate", false, false, hex("c100"), masked, 1002},
      {"client: RSV1 on a continuation", false, true, hex("c000"), masked, 1002},
      {"client: RSV1 on a ping", false, true, hex("c900"), masked, 1002},
      {"client: RSV1 on a pong", false, true, hex("ca00"), masked, 1002},
      {"server: unmasked text", true, false, hex("810548656c6c6f"), e::kUnmasked, 1002},
      {"server: RSV2", true, false, hex("a18000000000"), masked, 1002},
      {"opcode 3", false, false, hex("8300"), std::string(e::kUnknownOpcode) + "3", 1002},
      {"opcode 11", false, false, hex("8b00"), std::string(e::kUnknownOpcode) + "11", 1002},
      {"opcode 15", false, false, hex("8f00"), std::string(e::kUnknownOpcode) + "15", 1002},
      {"ping without FIN", false, false, hex("0900"), e::kFragmentedControl, 1002},
      {"close without FIN", false, false, hex("0800"), e::kFragmentedControl, 1002},
      {"ping with 126", false, false, hex("897e007e"), e::kControlTooLong, 1002},
      {"close with 127", false, false, hex("887f0000000000000080"), e::kControlTooLong, 1002},
      {"64-bit length with top bit", false, false, hex("827f8000000000000000"), e::kInvalidLength, 1002},
      {"64-bit length all ones", false, false, hex("827fffffffffffffffff"), e::kInvalidLength, 1002},
      {"length above the limit", false, false, hex("827f0000000001000001"), e::kFrameTooBig, 1009},
      {"server: huge masked length", true, false, hex("82ff7fffffffffffffff"), e::kFrameTooBig, 1009},
  };
  for (const auto& c : table) {
    for (Chunking how : {Chunking::whole, Chunking::byteByByte}) {
      SCOPED_TRACE(c.name + " " + chunkingName(how));
      CodecHarness h(c.isServer, c.negotiated);
      h.feed(chunk(c.wire, how));
      auto errors = h.recorder->errors();
      ASSERT_EQ(h.recorder->events().size(), 1u);
      ASSERT_EQ(errors.size(), 1u);
      EXPECT_EQ(errors[0].type(), qor::ErrorType::protocolError);
      EXPECT_EQ(errors[0].message(), c.message);
      EXPECT_EQ(errors[0].code(), c.code);
    }
  }
}

TEST(FrameCodec, LetsPongsThroughWithDataFrameLengthsAndRsv1OnlyOnFirstDataFrames) {
  {
    CodecHarness h;
    h.feed(concat({hex("8a7e007e"), Bytes(126, 'p')}));
    auto frames = h.recorder->frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].payload.size(), 126u);
  }
  {
    CodecHarness h(false, true);
    h.feed(concat({hex("c103"), platform::bytesFromString("abc"), hex("c203"), platform::bytesFromString("xyz")}));
    auto frames = h.recorder->frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_TRUE(frames[0].needsDecompression);
    EXPECT_TRUE(frames[1].needsDecompression);
  }
  {
    // Offering deflate is not enough: the server has to accept it.
    CodecHarness h;
    h.framer->updateCompression(true);
    h.feed(hex("c100"));
    EXPECT_EQ(h.recorder->errors().size(), 1u);
  }
}

TEST(FrameCodec, MapsReceivedCloseCodes) {
  const std::vector<std::pair<uint16_t, uint16_t>> table = {
      {0, 1002},    {999, 1002},  {1000, 1000}, {1001, 1001}, {1002, 1002}, {1003, 1003}, {1004, 1002},
      {1005, 1002}, {1006, 1002}, {1007, 1007}, {1011, 1011}, {1013, 1013}, {1014, 1002}, {1015, 1002},
      {2999, 1002}, {3000, 3000}, {4999, 4999}, {5000, 5000}, {65535, 65535},
  };
  for (auto [wire, expected] : table) {
    for (bool isServer : {false, true}) {
      SCOPED_TRACE(std::to_string(wire) + (isServer ? " server" : " client"));
      Bytes payload(2);
      qor::writeUint16(payload, 0, wire);
      payload.push_back('r');
      CodecHarness h(isServer);
      h.feed(qor::WSFramer::frameBytes(isServer, FrameOpCode::connectionClose, payload, false));
      auto frames = h.recorder->frames();
      ASSERT_EQ(frames.size(), 1u);
      EXPECT_EQ(frames[0].closeCode, expected);
      EXPECT_EQ(frames[0].payload, platform::bytesFromString("r"));
      EXPECT_EQ(frames[0].payloadLength, 1u);
    }
  }
}

TEST(FrameCodec, ReadsShortClosePayloads) {
  struct Case { std::string name; Bytes wire; uint16_t code; };
  for (const auto& c : std::vector<Case>{{"empty", hex("8800"), 1000}, {"one byte", hex("880141"), 1002}}) {
    SCOPED_TRACE(c.name);
    CodecHarness h;
    h.feed(c.wire);
    auto frames = h.recorder->frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].closeCode, c.code);
    EXPECT_TRUE(frames[0].payload.empty());
  }
}

TEST(FrameCodec, DeliversNothingAfterACloseFrameOrAnErrorUntilReset) {
  const Bytes text = serverFrame(FrameOpCode::textFrame, platform::bytesFromString("late"));
  for (const Bytes& end : {hex("880203e8"), hex("8300")}) {
    CodecHarness h;
    h.feed(concat({end, text}));
    h.feed(text);
    ASSERT_EQ(h.recorder->events().size(), 1u);
    h.framer->reset();
    h.feed(text);
    auto frames = h.recorder->frames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back().payload, platform::bytesFromString("late"));
    EXPECT_EQ(h.recorder->events().size(), 2u);
  }
}

TEST(FrameCodec, HonoursAConfiguredFrameLimit) {
  CodecHarness h;
  h.framer->setMaximumFrameSize(10);
  h.feed(serverFrame(FrameOpCode::binaryFrame, Bytes(10, 1)));
  h.feed(serverFrame(FrameOpCode::binaryFrame, Bytes(11, 1)));
  EXPECT_EQ(h.recorder->frames().size(), 1u);
  auto errors = h.recorder->errors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].code(), 1009);
}

TEST(FrameWriter, WritesExactServerBytesAtEachLengthBoundary) {
  struct Case { size_t n; Bytes header; };
  const std::vector<Case> table = {
      {0, hex("8100")},
      {125, hex("817d")},
      {126, hex("817e007e")},
      {65535, hex("817effff")},
      {65536, hex("817f0000000000010000")},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.n);
    const Bytes payload = repeatBytes(c.n);
    auto framer = qor::WSFramer::create(true);
    EXPECT_EQ(framer->createWriteFrame(FrameOpCode::textFrame, payload, false), concat({c.header, payload}));
    Bytes compressed = concat({c.header, payload});
    compressed[0] = 0xC1;
    EXPECT_EQ(framer->createWriteFrame(FrameOpCode::textFrame, payload, true), compressed);
  }
}

TEST(FrameWriter, MasksClientFramesWithTheKeyItWrites) {
  struct Case { size_t n; Bytes header; };
  const std::vector<Case> table = {
      {0, hex("8180")},
      {125, hex("81fd")},
      {126, hex("81fe007e")},
      {65535, hex("81feffff")},
      {65536, hex("81ff0000000000010000")},
  };
  auto framer = qor::WSFramer::create(false);
  for (const auto& c : table) {
    SCOPED_TRACE(c.n);
    const Bytes payload = repeatBytes(c.n);
    const Bytes wire = framer->createWriteFrame(FrameOpCode::textFrame, payload, false);
    ASSERT_EQ(wire.size(), c.header.size() + 4 + c.n);
    EXPECT_EQ(Bytes(wire.begin(), wire.begin() + c.header.size()), c.header);
    EXPECT_EQ(qor::unmaskData(wire.data(), c.header.size(), c.header.size() + 4, c.n), payload);
  }
}

// RFC 6455 5.3, byte by byte: octet i of the payload is XORed with octet i % 4 of the key. The
// codec masks and unmasks a word at a time, so every length around the word and block sizes counts.
TEST(FrameWriter, MasksEveryPayloadLengthAsTheRfcDefinesIt) {
  auto framer = qor::WSFramer::create(false);
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 72; ++n) lengths.push_back(n);
  for (size_t n : {125, 126, 127, 1000, 4097, 65535, 65536, 65537}) lengths.push_back(n);
  for (size_t n : lengths) {
    SCOPED_TRACE(n);
    const Bytes payload = repeatBytes(n);
    const Bytes wire = framer->createWriteFrame(FrameOpCode::binaryFrame, payload, false);
    const size_t keyAt = n <= 125 ? 2 : (n <= 0xFFFF ? 4 : 10);
    ASSERT_EQ(wire.size(), keyAt + 4 + n);
    for (size_t i = 0; i < n; ++i) {
      ASSERT_EQ(wire[keyAt + 4 + i], payload[i] ^ wire[keyAt + i % 4]) << "byte " << i;
    }
    // Unmasking from anywhere in a buffer, the key elsewhere in it, gives the payload back.
    Bytes buffer = {0x55, 0x01, 0x02, 0x03, 0x04, 0x66};
    for (size_t i = 0; i < n; ++i) buffer.push_back(payload[i] ^ buffer[1 + i % 4]);
    EXPECT_EQ(qor::unmaskData(buffer.data(), 1, 6, n), payload);
  }
}

TEST(FrameWriter, NeverUsesOneMaskingKeyForTwoFrames) {
  auto framer = qor::WSFramer::create(false);
  std::set<Bytes> keys;
  const int count = 300;
  for (int i = 0; i < count; ++i) {
    Bytes wire = framer->createWriteFrame(FrameOpCode::binaryFrame, Bytes(8, 0), false);
    keys.insert(Bytes(wire.begin() + 2, wire.begin() + 6));
  }
  EXPECT_EQ(keys.size(), static_cast<size_t>(count));
}

// Every frame a client writes, cut into random reads, comes out of a server codec unchanged, and
// the other way round.
TEST(FrameCodec, CarriesFramesBetweenTheRolesWithRandomChunking) {
  std::mt19937 rng(20260);
  for (bool clientWrites : {true, false}) {
    SCOPED_TRACE(clientWrites ? "client to server" : "server to client");
    auto writer = qor::WSFramer::create(!clientWrites);
    CodecHarness reader(clientWrites);
    std::vector<Bytes> payloads;
    Bytes stream;
    for (int i = 0; i < 60; ++i) {
      const size_t sizes[] = {0, 1, 125, 126, 127, 65535, 65536, 70000};
      Bytes payload = repeatBytes(sizes[rng() % 8]);
      for (auto& b : payload) b = static_cast<uint8_t>(rng());
      const auto op = i % 3 == 0 ? FrameOpCode::textFrame : FrameOpCode::binaryFrame;
      auto wire = writer->createWriteFrame(op, payload, false);
      stream.insert(stream.end(), wire.begin(), wire.end());
      payloads.push_back(std::move(payload));
    }
    std::vector<Bytes> chunks;
    for (size_t pos = 0; pos < stream.size();) {
      size_t n = std::min<size_t>(stream.size() - pos, 1 + rng() % 9000);
      chunks.emplace_back(stream.begin() + pos, stream.begin() + pos + n);
      pos += n;
    }
    reader.feed(chunks);
    auto frames = reader.recorder->frames();
    ASSERT_EQ(frames.size(), payloads.size());
    for (size_t i = 0; i < frames.size(); ++i) {
      EXPECT_EQ(frames[i].payload, payloads[i]) << i;
      EXPECT_EQ(frames[i].isMasked, clientWrites);
    }
  }
}

TEST(FrameCodec, ByteRoutinesAreBigEndian) {
  Bytes b(14);
  qor::writeUint16(b, 0, 0x0102);
  qor::writeUint32(b, 2, 0x03040506);
  qor::writeUint64(b, 6, 0x0708090A0B0C0D0EULL);
  EXPECT_EQ(b, hex("0102030405060708090a0b0c0d0e"));
  EXPECT_EQ(qor::readUint16(b, 0), 0x0102);
  EXPECT_EQ(qor::readUint64(b, 6), 0x0708090A0B0C0D0EULL);
}

}  // namespace

namespace {

// Reads handed in from several threads are read one at a time on the codec's queue; the frames
// of each thread arrive in its order.
TEST(FrameCodec, TakesReadsFromSeveralThreads) {
  CodecHarness h;
  const int perThread = 300;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < perThread; ++i) {
        Bytes payload{static_cast<uint8_t>(t), static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
        h.framer->add(serverFrame(FrameOpCode::binaryFrame, payload));
      }
    });
  }
  for (auto& th : threads) th.join();
  h.wait();
  auto frames = h.recorder->frames();
  ASSERT_EQ(frames.size(), 4u * perThread);
  std::vector<int> next(4, 0);
  for (const auto& f : frames) {
    const int t = f.payload[0];
    EXPECT_EQ((f.payload[1] << 8) | f.payload[2], next[t]++);
  }
}

}  // namespace
