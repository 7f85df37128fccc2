#include <gtest/gtest.h>

#include <random>

#include "WebSocketTestUtil.h"
#include "common/websocket/compression/WSCompression.h"

using namespace wstest;
using qor::FrameOpCode;
using qor::WSCompression;

namespace {

std::shared_ptr<WSCompression> negotiated(const std::string& extensions) {
  auto c = std::make_shared<WSCompression>();
  c->load({{"Sec-WebSocket-Extensions", extensions}});
  return c;
}

TEST(PerMessageDeflate, ReadsTheNegotiatedParameters) {
  struct Case {
    std::string name;
    qor::HeaderFields headers;
    bool negotiated;
    std::optional<int> inflateBits, deflateBits;
    bool serverNoTakeover, clientNoTakeover;
  };
  const std::string ext = "Sec-WebSocket-Extensions";
  const std::vector<Case> table = {
      {"both sizes", {{ext, "permessage-deflate; server_max_window_bits=15; client_max_window_bits=15"}},
       true, 15, 15, false, false},
      {"server size and no takeover",
       {{ext, "permessage-deflate; server_max_window_bits=10; server_no_context_takeover"}}, true, 10, {}, true, false},
      {"bare name gets a 15-bit inflater", {{ext, "permessage-deflate"}}, true, 15, {}, false, false},
      {"client no takeover", {{ext, "permessage-deflate; client_max_window_bits=9; client_no_context_takeover"}},
       true, 15, 9, false, true},
      {"quoted values", {{ext, "permessage-deflate; server_max_window_bits=\"12\"; client_max_window_bits=\"11\""}},
       true, 12, 11, false, false},
      {"field name in lower case", {{"sec-websocket-extensions", "permessage-deflate; server_max_window_bits=9"}},
       true, 9, {}, false, false},
      {"space after equals", {{ext, "permessage-deflate; server_max_window_bits= 11"}}, true, 11, {}, false, false},
      {"space before equals is not the parameter", {{ext, "permessage-deflate; server_max_window_bits =11"}},
       true, 15, {}, false, false},
      {"only the first offer", {{ext, "permessage-deflate; server_max_window_bits=10, permessage-deflate; server_max_window_bits=12"}},
       true, 10, {}, false, false},
      {"another extension first", {{ext, "x-webkit-deflate-frame, permessage-deflate"}}, false, {}, {}, false, false},
      {"raw deflate refuses 8 bits", {{ext, "permessage-deflate; client_max_window_bits=8"}}, true, 15, {}, false, false},
      {"window size zlib refuses", {{ext, "permessage-deflate; server_max_window_bits=16"}}, false, {}, {}, false, false},
      {"no extension field", {{"Upgrade", "websocket"}}, false, {}, {}, false, false},
      {"no fields", {}, false, {}, {}, false, false},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.name);
    // A reused handler: each answer replaces what the connection before it negotiated.
    WSCompression comp;
    comp.load({{ext, "permessage-deflate; server_max_window_bits=11; client_max_window_bits=12; "
                     "server_no_context_takeover; client_no_context_takeover"}});
    comp.load(c.headers);
    EXPECT_EQ(comp.isNegotiated(), c.negotiated);
    EXPECT_EQ(comp.decompressorWindowBits(), c.inflateBits);
    EXPECT_EQ(comp.compressorWindowBits(), c.deflateBits);
    EXPECT_EQ(comp.decompressorTakeOver(), c.serverNoTakeover);
    EXPECT_EQ(comp.compressorTakeOver(), c.clientNoTakeover);
  }
}

TEST(PerMessageDeflate, ReadsTheRfcExamples) {
  // RFC 7692, section 7.2.3, as frames from the server; each list is one connection.
  struct Case { std::string name; std::vector<Bytes> frames; std::vector<std::string> texts; };
  const std::vector<Case> table = {
      {"one frame", {hex("c107f248cdc9c90700")}, {"text:Hello"}},
      {"two fragments", {hex("4103f248cd"), hex("8004c9c90700")}, {"text:Hello"}},
      {"shared window", {hex("c107f248cdc9c90700"), hex("c105f200110000")}, {"text:Hello", "text:Hello"}},
      {"stored block", {hex("c10b0005 00faff48656c6c6f00")}, {"text:Hello"}},
      {"final block, then the next message", {hex("c108f348cdc9c9070000"), hex("c107f248cdc9c90700")}, {"text:Hello", "text:Hello"}},
      {"two blocks", {hex("c10df24805000000ffffcac9c90700")}, {"text:Hello"}},
      {"not deflate data", {hex("c104ffffffff"), hex("8102" "6f6b")}, {"error:1007:Error on decompressing", "text:ok"}},
  };
  for (const auto& c : table) {
    for (bool byteByByte : {false, true}) {
      SCOPED_TRACE(c.name + (byteByByte ? " byte by byte" : ""));
      auto p = ClientPipeline::create(negotiated("permessage-deflate"));
      for (const auto& f : c.frames) {
        for (const auto& part : chunk(f, byteByByte ? Chunking::byteByByte : Chunking::whole)) p->feed(part);
      }
      EXPECT_EQ(p->lines(), c.texts);
    }
  }
}

TEST(PerMessageDeflate, WritesTheRfcBytesAndKeepsTheWindowAcrossMessages) {
  auto comp = negotiated("permessage-deflate; client_max_window_bits=15");
  const Bytes hello = platform::bytesFromString("Hello");
  EXPECT_EQ(comp->compress(hello), hex("f248cdc9c90700"));
  EXPECT_EQ(comp->compress(hello), hex("f200110000"));

  auto fresh = negotiated("permessage-deflate; client_max_window_bits=15; client_no_context_takeover");
  EXPECT_EQ(fresh->compress(hello), hex("f248cdc9c90700"));
  EXPECT_EQ(fresh->compress(hello), hex("f248cdc9c90700"));
}

TEST(PerMessageDeflate, RoundTripsMessagesOfEverySize) {
  std::mt19937 rng(7692);
  for (const std::string params : {"", "; client_no_context_takeover; server_no_context_takeover"}) {
    SCOPED_TRACE(params);
    auto sender = negotiated("permessage-deflate; client_max_window_bits=15" + params);
    auto receiver = negotiated("permessage-deflate" + params);
    // An empty message after another one finds nothing pending in the stream.
    for (size_t n : {0, 1, 0, 5, 8191, 8192, 8193, 100000, 300000}) {
      SCOPED_TRACE(n);
      Bytes message(n);
      // Half random, half repetitive, so both stored and compressed blocks occur.
      for (size_t i = 0; i < n; ++i) message[i] = i < n / 2 ? static_cast<uint8_t>(rng()) : 'a' + i % 3;
      auto compressed = sender->compress(message);
      ASSERT_TRUE(compressed);
      ASSERT_FALSE(compressed->size() >= 4 && Bytes(compressed->end() - 4, compressed->end()) == hex("0000ffff"));
      // Inflate as three fragments would arrive.
      const size_t a = compressed->size() / 3, b = 2 * compressed->size() / 3;
      Bytes out;
      for (auto [from, to, fin] : {std::tuple{size_t(0), a, false}, {a, b, false}, {b, compressed->size(), true}}) {
        auto part = receiver->decompress(Bytes(compressed->begin() + from, compressed->begin() + to), fin);
        ASSERT_TRUE(std::holds_alternative<Bytes>(part));
        auto& bytes = std::get<Bytes>(part);
        out.insert(out.end(), bytes.begin(), bytes.end());
      }
      EXPECT_EQ(out, message);
    }
  }
}

TEST(PerMessageDeflate, CapsTheInflatedSize) {
  auto sender = negotiated("permessage-deflate; client_max_window_bits=15");
  auto bomb = sender->compress(Bytes(1 << 20, 0)).value();
  ASSERT_LT(bomb.size(), 2000u);

  auto receiver = negotiated("permessage-deflate");
  receiver->setMaximumInflatedSize(100000);
  auto result = receiver->decompress(bomb, true);
  ASSERT_TRUE(std::holds_alternative<qor::WSError>(result));
  EXPECT_EQ(std::get<qor::WSError>(result).code(), 1009);

  // The cap counts the whole message, not each fragment.
  auto fragmented = negotiated("permessage-deflate");
  fragmented->setMaximumInflatedSize(100000);
  const Bytes first(bomb.begin(), bomb.begin() + bomb.size() / 2), second(bomb.begin() + bomb.size() / 2, bomb.end());
  auto r1 = fragmented->decompress(first, false);
  auto r2 = std::holds_alternative<Bytes>(r1) ? fragmented->decompress(second, true) : r1;
  ASSERT_TRUE(std::holds_alternative<qor::WSError>(r2));
  EXPECT_EQ(std::get<qor::WSError>(r2).code(), 1009);
}

// Inflated bytes go straight into the message, which grows as it must; a message exactly at the cap
// passes whole, one byte more fails, whether it comes in one frame or in three.
TEST(PerMessageDeflate, TheCapIsExactAndTheMessageWhole) {
  auto sender = negotiated("permessage-deflate; client_max_window_bits=15; client_no_context_takeover");
  std::mt19937 rng(1009);
  for (size_t n : {1, 1000, 100000, 3000000}) {
    Bytes message(n);
    // Mostly runs, so a little input becomes much output and the message grows many times.
    for (size_t i = 0; i < n; ++i) message[i] = i % 997 == 0 ? static_cast<uint8_t>(rng()) : 'q';
    const Bytes compressed = sender->compress(message).value();
    for (size_t frames : {1, 3}) {
      for (uint64_t cap : {uint64_t{n}, uint64_t{n - 1}}) {
        SCOPED_TRACE(testing::Message() << n << " bytes, " << frames << " frames, cap " << cap);
        auto receiver = negotiated("permessage-deflate; server_no_context_takeover");
        receiver->setMaximumInflatedSize(cap);
        Bytes out;
        std::optional<int> failure;
        for (size_t f = 0; f < frames && !failure; ++f) {
          const size_t from = compressed.size() * f / frames, to = compressed.size() * (f + 1) / frames;
          auto part = receiver->decompress(Bytes(compressed.begin() + from, compressed.begin() + to), f + 1 == frames);
          if (auto* error = std::get_if<qor::WSError>(&part)) {
            failure = error->code();
          } else {
            const Bytes& bytes = std::get<Bytes>(part);
            out.insert(out.end(), bytes.begin(), bytes.end());
          }
        }
        if (cap == n) {
          EXPECT_FALSE(failure);
          EXPECT_EQ(out, message);
        } else {
          EXPECT_EQ(failure, 1009);
        }
      }
    }
  }
}

TEST(PerMessageDeflate, FailsWithoutAnInflaterAndSendsPlainWithoutADeflater) {
  WSCompression none;
  auto result = none.decompress(hex("f248cdc9c90700"), true);
  ASSERT_TRUE(std::holds_alternative<qor::WSError>(result));
  EXPECT_EQ(std::get<qor::WSError>(result).code(), 1007);
  EXPECT_FALSE(negotiated("permessage-deflate")->compress(platform::bytesFromString("x")));
}

}  // namespace
