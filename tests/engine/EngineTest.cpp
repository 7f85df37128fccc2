// The engine over a fake transport: the upgrade, sending and closing, and how a connection ends
// when the server, the transport or the bytes misbehave.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "common/websocket/compression/WSCompression.h"
#include "common/websocket/engine/WSEngine.h"
#include "common/websocket/framer/WSFramer.h"
#include "platform/http/HTTPCookieStorage.h"
#include "platform/socket/NetworkErrors.h"
#include "tests/engine/support/EngineTestSupport.h"

namespace enginetest {
namespace {

using qor::ConnectionState;
using qor::FrameOpCode;
using Lines = std::vector<std::string>;

platform::URLRequest requestFor(const std::string& url) { return platform::URLRequest(platform::URL::parse(url)); }

qor::ErrorPtr peerClosed() {
  return qor::makeError<qor::PlatformError>(platform::peerClosedError(platform::kNWErrorDomainPOSIX));
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override { make(nullptr); }

  void make(std::shared_ptr<qor::CompressionHandler> compression) {
    transport = qortest::FakeTransport::create();
    engine = qor::WSEngine::create(transport, nullptr, nullptr, nullptr, nullptr, std::move(compression));
    recorder = std::make_shared<EngineRecorder>();
    engine->registerDelegate(recorder);
    server = std::make_unique<FakeServer>(transport);
  }

  void start(const std::string& url = "wss://example.com/chat") { engine->start(requestFor(url)); }
  void open(const std::string& extraLines = {}) {
    start();
    server->connectAndAccept(extraLines);
    ASSERT_TRUE(recorder->log.waitForLine("connected"));
  }
  void deliver(const Bytes& bytes) { transport->deliverBytes(bytes); }
  Lines events() {
    settle();
    return recorder->log.lines();
  }
  Lines frames() {
    settle();
    return server->clientFrameLines();
  }

  std::shared_ptr<qortest::FakeTransport> transport;
  std::shared_ptr<qor::WSEngine> engine;
  std::shared_ptr<EngineRecorder> recorder;
  std::unique_ptr<FakeServer> server;
};

TEST_F(EngineTest, SendsTheUpgradeAndReportsTheAcceptedAnswer) {
  start("wss://cookies.example:8443/chat?room=1");
  ASSERT_EQ(transport->connectCalls().size(), 1u);
  EXPECT_EQ(transport->connectCalls()[0].url, "wss://cookies.example:8443/chat?room=1");
  EXPECT_EQ(transport->connectCalls()[0].timeout, 60.0);
  EXPECT_TRUE(transport->writes().empty());  // nothing before the transport is connected

  // The answer and the first frame arrive in one read.
  transport->deliver(ConnectionState::Connected{});
  ASSERT_TRUE(server->waitForWrites(1));
  const std::string upgrade = platform::stringFromBytes(transport->writes()[0]);
  EXPECT_EQ(upgrade.rfind("GET /chat?room=1 HTTP/1.1\r\n", 0), 0u) << upgrade;
  for (const char* field : {"Upgrade: websocket\r\n", "Connection: Upgrade\r\n", "Sec-WebSocket-Version: 13\r\n",
                            "Host: cookies.example:8443\r\n", "Origin: wss://cookies.example:8443\r\n"}) {
    EXPECT_NE(upgrade.find(field), std::string::npos) << field;
  }
  EXPECT_EQ(server->lastKey().size(), 24u);
  auto answer = platform::bytesFromString(server->acceptAnswer("Set-Cookie: engine=7; Path=/\r\n"));
  auto frame = serverFrame(FrameOpCode::textFrame, "first");
  answer.insert(answer.end(), frame.begin(), frame.end());
  deliver(answer);

  EXPECT_TRUE(recorder->log.waitForLine("text:first"));
  EXPECT_EQ(events(), (Lines{"connected", "text:first"}));
  auto cookies = platform::HTTPCookieStorage::sharedHTTPCookieStorage()->cookiesForURL(
      *platform::URL::parse("wss://cookies.example:8443/other"));
  ASSERT_EQ(cookies.size(), 1u);
  EXPECT_EQ(cookies[0].name + "=" + cookies[0].value, "engine=7");
}

TEST_F(EngineTest, StartsOnlyWithAURLAndNotTwiceOnceOpen) {
  engine->start(platform::URLRequest());
  EXPECT_TRUE(transport->connectCalls().empty());

  // Before the upgrade another start connects again, with the new request.
  start("wss://example.com/a");
  start("wss://example.com/b");
  ASSERT_EQ(transport->connectCalls().size(), 2u);
  EXPECT_EQ(transport->connectCalls()[1].url, "wss://example.com/b");
  server->connectAndAccept();
  ASSERT_TRUE(recorder->log.waitForLine("connected"));
  start("wss://example.com/c");
  EXPECT_EQ(transport->connectCalls().size(), 2u);
}

TEST_F(EngineTest, WritesBeforeTheUpgradeAreDroppedAndLaterOnesGoOutInOrder) {
  std::atomic<int> completions{0};
  start();
  engine->writeString("too early", [&] { ++completions; });
  settle();
  server->connectAndAccept();
  ASSERT_TRUE(recorder->log.waitForLine("connected"));
  for (int i = 0; i < 20; ++i) engine->writeString("m" + std::to_string(i), [&] { ++completions; });
  engine->writeData(Bytes(300, 0x5A), FrameOpCode::binaryFrame, [&] { ++completions; });

  Lines expected;
  for (int i = 0; i < 20; ++i) expected.push_back("text:m" + std::to_string(i));
  expected.push_back("binary:300");
  EXPECT_EQ(frames(), expected);
  EXPECT_EQ(completions, 21);
  // Every frame is masked.
  auto writes = transport->writes();
  for (size_t i = 1; i < writes.size(); ++i) EXPECT_TRUE(writes[i][1] & 0x80) << i;
}

TEST_F(EngineTest, StopBeforeTheUpgradeDoesNothingAndForceStopDisconnects) {
  start();
  transport->deliver(ConnectionState::Connected{});
  ASSERT_TRUE(server->waitForWrites(1));
  engine->stop(1000);
  settle();
  EXPECT_EQ(transport->writes().size(), 1u);
  EXPECT_EQ(transport->disconnectCount(), 0);
  engine->forceStop();
  EXPECT_EQ(transport->disconnectCount(), 1);
  EXPECT_EQ(events(), (Lines{"cancelled"}));
}

TEST_F(EngineTest, StopAfterTheUpgradeClosesDisconnectsAndAllowsANewStart) {
  open();
  engine->stop(1000);
  ASSERT_TRUE(recorder->log.waitForLine("cancelled"));
  EXPECT_EQ(frames(), (Lines{"close:1000"}));
  // The close frame's unmasked payload is exactly the code.
  auto close = transport->writes().back();
  ASSERT_EQ(close.size(), 8u);
  EXPECT_EQ(close[6] ^ close[2], 0x03);
  EXPECT_EQ(close[7] ^ close[3], 0xE8);
  EXPECT_EQ(transport->disconnectCount(), 1);

  start();
  EXPECT_EQ(transport->connectCalls().size(), 2u);
}

TEST_F(EngineTest, PingsAreAnsweredWithTheirPayload) {
  struct Case {
    const char* name;
    std::string payload;
    bool respond;
    Lines pongs;
  };
  const Case cases[] = {
      {"with payload", "are you there", true, {"pong:are you there"}},
      {"empty", "", true, {"pong:"}},
      {"answering switched off", "hi", false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    make(nullptr);
    engine->setRespondToPingWithPong(c.respond);
    open();
    deliver(serverFrame(FrameOpCode::ping, c.payload));
    EXPECT_EQ(events(), (Lines{"connected", "ping:" + c.payload}));
    EXPECT_EQ(frames(), c.pongs);
  }
}

TEST_F(EngineTest, TheServersCloseIsReportedAndAnsweredWithItsCode) {
  open();
  deliver(serverFrame(FrameOpCode::connectionClose, closePayload(1001, "bye")));
  ASSERT_TRUE(recorder->log.waitForLine("cancelled"));
  EXPECT_EQ(events(), (Lines{"connected", "disconnected:1001:bye", "cancelled"}));
  EXPECT_EQ(frames(), (Lines{"close:1001"}));
  EXPECT_EQ(transport->disconnectCount(), 1);
}

// A refused answer ends the connection with one error: no close frame (nothing was upgraded), the
// transport disconnected, and the answer's body never read as frames.
TEST_F(EngineTest, ARefusedUpgradeEndsWithOneErrorAndTheTransportDisconnected) {
  const std::string leak = platform::stringFromBytes(serverFrame(FrameOpCode::textFrame, "leaked"));
  auto withBody = [&](const std::string& head) {
    return head + "Content-Length: " + std::to_string(leak.size()) + "\r\n\r\n" + leak;
  };
  struct Case {
    const char* name;
    std::function<std::string(const FakeServer&)> answer;
    std::string error;
  };
  const Case cases[] = {
      {"403", [&](const FakeServer&) { return withBody("HTTP/1.1 403 Forbidden\r\n"); }, "HTTPUpgradeError(0,403)"},
      {"200", [&](const FakeServer&) { return withBody("HTTP/1.1 200 OK\r\n"); }, "HTTPUpgradeError(0,200)"},
      {"garbage", [&](const FakeServer&) { return "no status line here\r\n\r\n" + leak; }, "HTTPUpgradeError(1,0)"},
      {"wrong accept key",
       [&](const FakeServer&) {
         return "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                "Sec-WebSocket-Accept: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n" + leak;
       },
       "WSError(securityError,1,accept header doesn't match)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    make(nullptr);
    start();
    transport->deliver(ConnectionState::Connected{});
    ASSERT_TRUE(server->waitForWrites(1));
    deliver(platform::bytesFromString(c.answer(*server)));
    ASSERT_TRUE(recorder->log.waitForLine("cancelled"));
    EXPECT_EQ(events(), (Lines{"error:" + c.error, "cancelled"}));
    EXPECT_EQ(transport->writes().size(), 1u);  // the upgrade request only
    EXPECT_EQ(transport->disconnectCount(), 1);
  }
}

TEST_F(EngineTest, ATransportFailureEndsTheConnectionBeforeAndAfterTheUpgrade) {
  start();
  transport->deliver(ConnectionState::Failed{nullptr});
  ASSERT_TRUE(recorder->log.waitForLine("cancelled"));
  EXPECT_EQ(events(), (Lines{"error:none", "cancelled"}));
  EXPECT_TRUE(transport->writes().empty());
  EXPECT_EQ(transport->disconnectCount(), 1);

  make(nullptr);
  open();
  transport->deliver(ConnectionState::Failed{nullptr});
  ASSERT_TRUE(recorder->log.waitForLine("cancelled"));
  EXPECT_EQ(events(), (Lines{"connected", "error:none", "cancelled"}));
  EXPECT_EQ(frames(), (Lines{"close:1000"}));
}

// After the first error the codec and the collector go on forming events; the engine acts on none.
TEST_F(EngineTest, OnlyTheFirstErrorOfAConnectionCounts) {
  const Bytes mebibyte(1 << 20, 'a');
  auto repeat = [](const Bytes& frame, int times) {
    std::vector<Bytes> out(static_cast<size_t>(times), frame);
    return out;
  };
  struct Case {
    const char* name;
    std::vector<Bytes> chunks;
    std::string error;
    uint16_t closeCode;
  };
  std::vector<Bytes> tooBig{serverFrame(FrameOpCode::textFrame, mebibyte, false)};
  for (int i = 0; i < 16; ++i) tooBig.push_back(serverFrame(FrameOpCode::continueFrame, mebibyte, false));
  for (auto& f : repeat(serverFrame(FrameOpCode::continueFrame, "more", false), 30)) tooBig.push_back(f);
  std::vector<Bytes> continueFirst = repeat(serverFrame(FrameOpCode::continueFrame, "x"), 30);
  const Case cases[] = {
      {"message too big, then continue frames", tooBig, "WSError(protocolError,1009,message is longer than allowed)",
       1009},
      {"continue frames without a start", continueFirst,
       "WSError(protocolError,1002,first frame can't be a continue frame)", 1002},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    make(nullptr);
    open();
    for (const auto& chunk : c.chunks) deliver(chunk);
    deliver(serverFrame(FrameOpCode::ping, "after"));
    deliver(serverFrame(FrameOpCode::textFrame, "after"));
    deliver(serverFrame(FrameOpCode::connectionClose, closePayload(1000)));
    ASSERT_TRUE(recorder->log.waitForLine("cancelled", std::chrono::seconds(30)));
    EXPECT_EQ(events(), (Lines{"connected", "error:" + c.error, "cancelled"}));
    EXPECT_EQ(frames(), (Lines{"close:" + std::to_string(c.closeCode)}));
  }
}

TEST_F(EngineTest, NothingFollowsOurCloseFrame) {
  open();
  std::atomic<int> completions{0};
  transport->setHoldWrites(true);
  engine->stop(1000);
  settle();
  engine->writeString("after close", [&] { ++completions; });
  // The server's ping and its answering close arrive before our close frame's write completes.
  deliver(serverFrame(FrameOpCode::ping, "p"));
  deliver(serverFrame(FrameOpCode::connectionClose, closePayload(1000)));
  settle();
  transport->completeHeldWrites();
  ASSERT_TRUE(recorder->log.waitForLine("cancelled"));
  EXPECT_EQ(frames(), (Lines{"close:1000"}));
  EXPECT_EQ(completions, 0);
  EXPECT_EQ(events(), (Lines{"connected", "ping:p", "disconnected:1000:", "cancelled"}));
}

TEST_F(EngineTest, ControlFramesAbove125BytesAreNeverSent) {
  open();
  struct Case {
    FrameOpCode opcode;
    size_t size;
    bool sent;
  };
  const Case cases[] = {{FrameOpCode::ping, 125, true}, {FrameOpCode::ping, 126, false},
                        {FrameOpCode::pong, 125, true}, {FrameOpCode::pong, 4000, false},
                        {FrameOpCode::binaryFrame, 126, true}};
  Lines expected;
  std::atomic<int> completions{0};
  int expectedCompletions = 0;
  for (const auto& c : cases) {
    engine->writeData(Bytes(c.size, 'z'), c.opcode, [&] { ++completions; });
    if (!c.sent) continue;
    ++expectedCompletions;
    const std::string payload(c.size, 'z');
    expected.push_back(c.opcode == FrameOpCode::ping   ? "ping:" + payload
                       : c.opcode == FrameOpCode::pong ? "pong:" + payload
                                                       : "binary:" + std::to_string(c.size));
  }
  EXPECT_EQ(frames(), expected);
  EXPECT_EQ(completions, expectedCompletions);
}

TEST_F(EngineTest, OnlyTextAndBinaryMessagesAreCompressed) {
  make(std::make_shared<qor::WSCompression>());
  start();
  transport->deliver(ConnectionState::Connected{});
  ASSERT_TRUE(server->waitForWrites(1));
  EXPECT_NE(platform::stringFromBytes(transport->writes()[0]).find("Sec-WebSocket-Extensions: permessage-deflate"),
            std::string::npos);
  deliver(platform::bytesFromString(
      server->acceptAnswer("Sec-WebSocket-Extensions: permessage-deflate; client_max_window_bits=15\r\n")));
  ASSERT_TRUE(recorder->log.waitForLine("connected"));

  engine->writeString(std::string(500, 'a'), nullptr);
  engine->writeData(Bytes(500, 'b'), FrameOpCode::binaryFrame, nullptr);
  engine->writeData(platform::bytesFromString("ping"), FrameOpCode::ping, nullptr);
  engine->writeData(platform::bytesFromString("pong"), FrameOpCode::pong, nullptr);
  // "Hello" as compressed by the server (RFC 7692, section 7.2.3.1).
  deliver(Bytes{0xC1, 0x07, 0xF2, 0x48, 0xCD, 0xC9, 0xC9, 0x07, 0x00});
  engine->stop(1000);
  ASSERT_TRUE(recorder->log.waitForLine("cancelled"));
  settle();
  const bool expected[] = {true, true, false, false, false};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(server->clientFrameCompressed(i), expected[i]) << i;
  EXPECT_EQ(server->clientFrameLines()[2], "ping:ping");
  EXPECT_EQ(events(), (Lines{"connected", "text:Hello", "cancelled"}));
}

// A compression handler that notes whether it was asked to compress before it was loaded, and
// tries to send while it is being loaded.
class ProbingCompression : public qor::CompressionHandler {
 public:
  void load(const qor::HeaderFields&) override {
    if (auto e = engine.lock()) e->writeString("during load", nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    loaded = true;
  }
  qor::DecompressResult decompress(const Bytes& data, bool) override { return data; }
  platform::OptBytes compress(const Bytes&) override {
    if (!loaded) compressedBeforeLoad = true;
    return std::nullopt;
  }
  bool isNegotiated() const override { return true; }
  std::weak_ptr<qor::WSEngine> engine;
  std::atomic<bool> loaded{false};
  std::atomic<bool> compressedBeforeLoad{false};
};

TEST_F(EngineTest, TheCompressorIsLoadedBeforeSendingOpens) {
  auto compression = std::make_shared<ProbingCompression>();
  make(compression);
  compression->engine = engine;
  open();
  engine->writeString("after", nullptr);
  EXPECT_EQ(frames(), (Lines{"text:after"}));
  EXPECT_FALSE(compression->compressedBeforeLoad);
}

// The end of a connection reaches the delegate after every frame received before it.
TEST_F(EngineTest, TheConnectionsEndArrivesAfterItsFrames) {
  for (bool failed : {true, false}) {
    SCOPED_TRACE(failed ? "failed" : "cancelled");
    make(nullptr);
    open();
    Lines expected{"connected"};
    for (int i = 0; i < 300; ++i) {
      deliver(serverFrame(FrameOpCode::textFrame, "answer " + std::to_string(i)));
      expected.push_back("text:answer " + std::to_string(i));
    }
    if (failed) {
      transport->deliver(ConnectionState::Failed{peerClosed()});
      expected.push_back("error:" + describeError(peerClosed()));
    }
    transport->deliver(ConnectionState::Cancelled{});
    expected.push_back("cancelled");
    ASSERT_TRUE(recorder->log.waitFor([&](const Lines& lines) { return lines.size() >= expected.size(); }));
    auto lines = events();
    // A failure's own close and disconnect may add a second cancellation behind.
    ASSERT_GE(lines.size(), expected.size());
    lines.resize(expected.size());
    EXPECT_EQ(lines, expected);
  }
}

TEST_F(EngineTest, TheStreamsEndAfterTheCloseHandshakeIsNoError) {
  open();
  transport->setHoldWrites(true);
  deliver(serverFrame(FrameOpCode::connectionClose, closePayload(1000, "done")));
  transport->deliver(ConnectionState::Failed{peerClosed()});
  settle();
  transport->completeHeldWrites();
  ASSERT_TRUE(recorder->log.waitForLine("cancelled"));
  EXPECT_EQ(events(), (Lines{"connected", "disconnected:1000:done", "cancelled"}));
}

// Bytes an earlier connection left behind must not run into the next connection's answer or frames.
TEST_F(EngineTest, EachStartForgetsWhatTheLastConnectionLeft) {
  const Bytes halfFrame = [] {
    auto f = serverFrame(FrameOpCode::textFrame, "old message");
    f.resize(4);
    return f;
  }();
  struct Case {
    const char* name;
    bool upgraded;  // the leftover arrives after the upgrade
    Bytes leftover;
  };
  const Case cases[] = {
      {"half a frame", true, halfFrame},
      {"a message without its last fragment", true, serverFrame(FrameOpCode::textFrame, "old", false)},
      {"half a refusing answer", false, platform::bytesFromString("HTTP/1.1 403 Forb")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    make(nullptr);
    if (c.upgraded) {
      open();
      deliver(c.leftover);
      settle();
      engine->stop(1000);
      ASSERT_TRUE(recorder->log.waitForLine("cancelled"));
    } else {
      start();
      transport->deliver(ConnectionState::Connected{});
      ASSERT_TRUE(server->waitForWrites(1));
      deliver(c.leftover);
      settle();
    }
    start();
    ASSERT_EQ(transport->connectCalls().size(), 2u);
    server->connectAndAccept();
    deliver(serverFrame(FrameOpCode::textFrame, "new"));
    ASSERT_TRUE(recorder->log.waitForLine("text:new"));
    EXPECT_EQ(recorder->log.count("error"), 0u) << testing::PrintToString(events());
  }
}

TEST_F(EngineTest, PathChangesAreReportedAndWaitingIsNot) {
  open();
  transport->deliver(ConnectionState::Waiting{});
  transport->deliver(ConnectionState::Viability{false});
  transport->deliver(ConnectionState::ShouldReconnect{true});
  EXPECT_EQ(events(), (Lines{"connected", "viability:0", "better:1"}));
}

}  // namespace
}  // namespace enginetest
