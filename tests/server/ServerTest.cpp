// The WebSocket server on the wire, driven by raw TCP clients: the upgrade and its answer, refused
// requests, frames from the client, frames to it, the close, and the table of connections.
#include <gtest/gtest.h>

#include <thread>

#include "common/websocket/http/FoundationHTTPServerHandler.h"
#include "platform/http/HTTPMessage.h"
#include "tests/server/support/ServerHarness.h"

namespace servertest {
namespace {

using enginetest::closePayload;
using qor::FrameOpCode;
using Lines = std::vector<std::string>;

bool startsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

// The answer's fields, read with the platform's own response reader.
platform::HTTPMessage answerHead(const std::string& received) {
  auto message = platform::HTTPMessage::emptyResponse();
  message.appendBytes(platform::bytesFromString(received));
  return message;
}

TEST(ServerTest, TheUpgradeIsAnsweredWithTheKeysAcceptValueWhateverTheChunks) {
  const std::string request = upgradeRequest("dGhlIHNhbXBsZSBub25jZQ==", "X-Tenant: t1\r\n");
  struct Case {
    const char* name;
    std::vector<size_t> cuts;  // where the request is cut into writes
  };
  std::vector<size_t> everyByte;
  for (size_t i = 1; i < request.size(); ++i) everyByte.push_back(i);
  const Case cases[] = {
      {"whole", {}},
      {"two chunks", {request.size() / 2}},
      {"cut inside the end of the head", {request.size() - 3}},
      {"byte by byte", everyByte},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ServerHarness harness;
    RawClient client(harness.port());
    size_t from = 0;
    for (size_t cut : c.cuts) {
      client.write(request.substr(from, cut - from));
      from = cut;
      if (c.cuts.size() < 4) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    client.write(request.substr(from));
    const std::string answer = client.readHead();
    EXPECT_TRUE(startsWith(answer, "HTTP/1.1 101 Switching Protocols\r\n")) << answer;
    auto head = answerHead(answer);
    ASSERT_TRUE(head.isHeaderComplete());
    // RFC 6455, section 1.3.
    EXPECT_EQ(head.headerFieldValue("Sec-WebSocket-Accept"), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
    EXPECT_EQ(head.headerFieldValue("Upgrade"), "websocket");
    EXPECT_EQ(head.headerFieldValue("Connection"), "Upgrade");
    ASSERT_TRUE(harness.log().waitForLine("connected"));
    EXPECT_EQ(harness.log().count("connected"), 1u);
    const auto fields = harness.connectedHeaders().at(0);
    EXPECT_EQ(qor::findHeaderField(fields, "x-tenant"), "t1");
    EXPECT_EQ(qor::findHeaderField(fields, "Sec-WebSocket-Version"), "13");
    EXPECT_EQ(fields.size(), 6u);
    EXPECT_EQ(harness.server->connectionIDs().size(), 1u);
  }
}

TEST(ServerTest, BytesBehindTheRequestHeadGoToTheCodec) {
  ServerHarness harness(false);
  RawClient client(harness.port());
  auto bytes = platform::bytesFromString(upgradeRequest());
  for (const auto& frame : {clientFrame(FrameOpCode::textFrame, "first"), clientFrame(FrameOpCode::ping, "p")}) {
    bytes.insert(bytes.end(), frame.begin(), frame.end());
  }
  client.write(bytes);
  ASSERT_TRUE(harness.log().waitForLine("ping:p"));
  EXPECT_EQ(harness.log().lines(), (Lines{"connected", "text:first", "ping:p"}));
}

TEST(ServerTest, ARefusedRequestGetsA400AndTheNextRequestIsReadAfresh) {
  const std::string longField = "X-Long: " + std::string(70 * 1024, 'a') + "\r\n";
  struct Case {
    const char* name;
    std::string request;
    // false: the refusal comes before the head's end, and what follows of it cannot be a request
    bool ends = true;
  };
  const Case cases[] = {
      {"POST", "POST /chat HTTP/1.1\r\nHost: h\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n"},
      {"lower-case get", "get /chat HTTP/1.1\r\nHost: h\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n"},
      {"no key", "GET /chat HTTP/1.1\r\nHost: h\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n\r\n"},
      {"an empty key", upgradeRequest("")},
      {"no fields", "GET /chat HTTP/1.1\r\n\r\n"},
      {"no version in the request line", "GET /chat\r\nSec-WebSocket-Key: a2V5\r\n\r\n"},
      {"a blank before the colon", "GET /chat HTTP/1.1\r\nSec-WebSocket-Key : a2V5\r\n\r\n"},
      {"a head longer than the cap", upgradeRequest("a2V5", longField), false},
      {"a head that never ends", "GET /chat HTTP/1.1\r\n" + longField, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ServerHarness harness;
    RawClient client(harness.port());
    client.write(c.request);
    const std::string refused = client.readHead();
    EXPECT_TRUE(startsWith(refused, "HTTP/1.1 400 Bad Request\r\n")) << refused.substr(0, 80);
    EXPECT_EQ(answerHead(refused).headerFieldValue("Content-Length"), "0");
    EXPECT_EQ(refused.find("101"), std::string::npos);
    if (!c.ends) continue;

    // The connection stays, and a good request on it is upgraded.
    client.write(upgradeRequest());
    const std::string accepted = client.readUntil([](const std::string& s) { return s.find("101") != std::string::npos; });
    EXPECT_NE(accepted.find("HTTP/1.1 101 "), std::string::npos);
    EXPECT_TRUE(harness.log().waitForLine("connected"));
  }
}

class UpgradedClient : public ::testing::Test {
 protected:
  void upgrade(RawClient& client) {
    client.write(upgradeRequest());
    const auto head = client.readHead();
    ASSERT_TRUE(startsWith(head, "HTTP/1.1 101 ")) << head;
    ASSERT_TRUE(harness.log().waitForLine("connected"));
    skip_ = head.size();
  }
  // What the client received after the 101 answer, waiting until there are `size` bytes.
  std::string framesReceived(RawClient& client, size_t size, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    return client.readUntil([&](const std::string& s) { return s.size() >= skip_ + size; }, limit).substr(skip_);
  }

  ServerHarness harness{false};
  size_t skip_ = 0;
};

TEST_F(UpgradedClient, MaskedFramesFromTheClientBecomeEventsAndNothingIsAnsweredByItself) {
  RawClient client(harness.port());
  upgrade(client);
  const platform::Bytes binary(300, 0x5A);
  client.write(clientFrame(FrameOpCode::textFrame, "héllo"));
  client.write(qor::WSFramer::frameBytes(true, FrameOpCode::binaryFrame, binary, false));
  client.write(clientFrame(FrameOpCode::textFrame, "alpha-", false));
  client.write(clientFrame(FrameOpCode::ping, "in between"));  // a control frame inside a message
  client.write(clientFrame(FrameOpCode::continueFrame, "beta-", false));
  client.write(clientFrame(FrameOpCode::continueFrame, "gamma"));
  client.write(clientFrame(FrameOpCode::pong, "unasked"));
  ASSERT_TRUE(harness.log().waitForLine("pong:unasked"));
  EXPECT_EQ(harness.log().lines(),
            (Lines{"connected", "text:héllo", "binary:300", "ping:in between", "text:alpha-beta-gamma", "pong:unasked"}));
  // The connection leaves the pong to its holder (who sends none here).
  EXPECT_EQ(framesReceived(client, 1, std::chrono::milliseconds(300)), "");
}

TEST_F(UpgradedClient, AnUnmaskedClientFrameIsACodecError) {
  RawClient client(harness.port());
  upgrade(client);
  client.write(enginetest::serverFrame(FrameOpCode::textFrame, "unmasked"));
  ASSERT_TRUE(harness.log().waitFor([](const Lines& l) { return l.size() == 2; }));
  EXPECT_TRUE(startsWith(harness.log().lines()[1], "own error:WSError(protocolError,1002,")) << harness.log().lines()[1];
}

TEST_F(UpgradedClient, WritesAreUnmaskedFinalFrames) {
  RawClient client(harness.port());
  upgrade(client);
  auto connection = harness.lastConnection();
  ASSERT_TRUE(connection);
  connection->write(platform::bytesFromString("hi"), FrameOpCode::textFrame);
  EXPECT_EQ(framesReceived(client, 4), std::string("\x81\x02hi", 4));
  const platform::Bytes large(70000, 7);
  connection->write(large, FrameOpCode::binaryFrame);
  const auto frame = framesReceived(client, 4 + 10 + large.size());
  const std::string header("\x82\x7F\x00\x00\x00\x00\x00\x01\x11\x70", 10);
  EXPECT_EQ(frame.substr(4, 10), header);
  EXPECT_EQ(frame.size(), 4 + 10 + large.size());
}

TEST(ServerTableTest, AClientsCloseFrameEndsItsPlaceInTheTable) {
  ServerHarness harness;  // echoes the close
  RawClient client(harness.port());
  client.write(upgradeRequest());
  const auto head = client.readHead();
  ASSERT_TRUE(harness.log().waitForLine("connected"));
  client.write(qor::WSFramer::frameBytes(true, FrameOpCode::connectionClose, closePayload(4000, "bye"), false));
  ASSERT_TRUE(harness.log().waitForLine("disconnected:4000:bye"));
  EXPECT_TRUE(harness.waitForEmptyTable());
  // The holder's answer still went out before the socket closed.
  const auto received = client.readUntil([&](const std::string& s) { return s.size() >= head.size() + 7; });
  EXPECT_EQ(received.substr(head.size()), std::string("\x88\x05\x0F\xA0" "bye", 7));
}

TEST(ServerTableTest, FailedConnectionsLeaveTheTable) {
  struct Case {
    const char* name;
    std::string sent;
  };
  const Case cases[] = {
      {"dropped before the request", ""},
      {"dropped inside the request head", "GET /chat HTTP/1.1\r\nHost: h"},
      {"dropped after the upgrade, without a close frame", upgradeRequest()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ServerHarness harness;
    {
      RawClient client(harness.port());
      client.write(c.sent);
      ASSERT_TRUE(harness.waitForTableSize(1));
      if (c.sent.find("\r\n\r\n") != std::string::npos) client.readHead();
    }
    EXPECT_TRUE(harness.waitForEmptyTable());
    EXPECT_EQ(harness.log().count("disconnected"), 0u);
  }
}

// Accepting (server queue), closing (codec queues) and failing (transport queues) at once: the
// table is changed on the server's queue only, so it ends empty and a TSAN build sees no race.
TEST(ServerTableTest, ManyClientsAtOnceLeaveAnEmptyTable) {
  ServerHarness harness;
  constexpr int kClients = 16;
  std::vector<std::thread> threads;
  for (int i = 0; i < kClients; ++i) {
    threads.emplace_back([&, i] {
      RawClient client(harness.port());
      client.write(upgradeRequest());
      client.readHead();
      client.write(clientFrame(FrameOpCode::textFrame, "client " + std::to_string(i)));
      if (i % 2 == 0) {
        client.write(qor::WSFramer::frameBytes(true, FrameOpCode::connectionClose, closePayload(1000), false));
        client.readUntil([](const std::string& s) { return s.find('\x88') != std::string::npos; });
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_TRUE(harness.waitForEmptyTable());
  EXPECT_EQ(harness.log().count("connected"), static_cast<size_t>(kClients));
  EXPECT_EQ(harness.log().count("text:client "), static_cast<size_t>(kClients));
  EXPECT_EQ(harness.log().count("disconnected:1000:"), static_cast<size_t>(kClients / 2));
}

TEST(ServerStartTest, AListenerThePlatformRefusesIsAnError) {
  ServerHarness first;
  const uint16_t taken = first.port();
  struct Case {
    std::string address;
    uint16_t port;
  };
  const Case cases[] = {{"127.0.0.1", taken}, {"not an address at all", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    auto server = qor::WebSocketServer::create();
    auto error = server->start(c.address, c.port);
    const auto* ws = qor::errorAs<qor::WSError>(error);
    ASSERT_TRUE(ws);
    EXPECT_EQ(ws->type(), qor::ErrorType::serverError);
    EXPECT_EQ(ws->code(), 0);
    EXPECT_EQ(ws->message(), "unable to start the listener at: " + c.address + ":" + std::to_string(c.port));
    EXPECT_EQ(server->port(), 0);
  }
}

}  // namespace
}  // namespace servertest
