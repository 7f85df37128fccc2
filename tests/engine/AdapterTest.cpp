// The adapter over a real front class and engine on a fake transport: its messages, its connected
// flag, reconnection, and the error objects the core services get.
#include <gtest/gtest.h>

#include "common/websocket/WSError.h"
#include "common/websocket/http/HTTPUpgradeError.h"
#include "common/websocket/security/FoundationSecurityError.h"
#include "common/websocket/transport/FoundationTransportError.h"
#include "common/websocket/transport/TCPTransportError.h"
#include "tests/engine/support/EngineTestSupport.h"

namespace enginetest {
namespace {

using qor::FrameOpCode;
using Lines = std::vector<std::string>;

// Logs every message with the connected flag as the adapter had it then.
class AdapterRecorder : public qor::QOREngineWebSocketDelegate {
 public:
  void engineWebSocketDidConnectWithHeaders(const Socket& s, const platform::Json& headers) override {
    add(s, "connect:" + headers.value("Upgrade", std::string()));
  }
  void engineWebSocketDidCancel(const Socket& s) override { add(s, "cancel"); }
  void engineWebSocketDidDisconnectWithReason(const Socket& s, const std::string& reason, uint16_t code) override {
    add(s, "disconnect:" + std::to_string(code) + ":" + reason);
  }
  void engineWebSocketDidReceiveError(const Socket& s, const std::optional<platform::Error>& error) override {
    add(s, "error:" + (error ? error->domain + ":" + std::to_string(error->code) + ":" + error->userInfo.dump() : "nil"));
  }
  void engineWebSocketDidReceiveText(const Socket& s, const std::string& text) override { add(s, "text:" + text); }
  void engineWebSocketDidReceiveData(const Socket& s, const platform::Bytes& data) override {
    add(s, "data:" + std::to_string(data.size()));
  }

  void add(const Socket& s, const std::string& line) {
    lines.push_back(line + (s->isConnected() ? " [connected]" : ""));
    onMain = onMain && platform::MainQueue::shared()->isCurrent();
  }
  bool has(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }

  Lines lines;
  bool onMain = true;
};

class AdapterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    adapter = FakeTransportAdapter::create();
    adapter->setDelegate(recorder);
  }
  void open() {
    adapter->connect();
    adapter->server.connectAndAccept();
    ASSERT_TRUE(runMainUntil([&] { return adapter->isConnected(); }));
  }
  void deliver(const platform::Bytes& bytes) { adapter->transport->deliverBytes(bytes); }
  Lines settled() {
    settle();
    platform::MainQueue::shared()->drain();
    settle();
    platform::MainQueue::shared()->drain();
    return recorder->lines;
  }

  std::shared_ptr<FakeTransportAdapter> adapter;
  std::shared_ptr<AdapterRecorder> recorder = std::make_shared<AdapterRecorder>();
};

TEST_F(AdapterTest, TurnsEventsIntoMessagesOnTheMainQueue) {
  EXPECT_FALSE(adapter->isConnected());
  open();
  adapter->connect();  // the engine ignores a start while connected
  deliver(serverFrame(FrameOpCode::textFrame, "hello"));
  deliver(serverFrame(FrameOpCode::binaryFrame, platform::Bytes(3, 1)));
  deliver(serverFrame(FrameOpCode::ping, "p"));
  deliver(serverFrame(FrameOpCode::pong, "q"));
  adapter->transport->deliver(qor::ConnectionState::Viability{false});
  adapter->transport->deliver(qor::ConnectionState::ShouldReconnect{true});
  deliver(serverFrame(FrameOpCode::connectionClose, closePayload(1001, "R")));
  ASSERT_TRUE(runMainUntil([&] { return recorder->has("cancel"); }));
  EXPECT_EQ(settled(), (Lines{"connect:websocket [connected]", "text:hello [connected]", "data:3 [connected]",
                              "disconnect:1001:R", "cancel"}));
  EXPECT_TRUE(recorder->onMain);
  EXPECT_EQ(adapter->transport->connectCalls().size(), 1u);
}

TEST_F(AdapterTest, SendWithStringIsOneTextFrameAndDisconnectClosesWith1000) {
  adapter->sendWithString("before the upgrade");
  open();
  adapter->sendWithString("{\"a\":1}");
  adapter->disconnect();
  ASSERT_TRUE(runMainUntil([&] { return recorder->has("cancel"); }));
  EXPECT_EQ(adapter->server.clientFrameLines(), (Lines{"text:{\"a\":1}", "close:1000"}));
  EXPECT_EQ(settled(), (Lines{"connect:websocket [connected]", "cancel"}));
  EXPECT_FALSE(adapter->isConnected());
}

TEST_F(AdapterTest, ReconnectOnAConnectedAdapterOpensANewConnectionQuietly) {
  open();
  // The server's answering close arrives before our close frame's write completes.
  adapter->transport->setHoldWrites(true);
  adapter->reconnect();
  ASSERT_TRUE(adapter->server.waitForWrites(2));  // the upgrade request, then our close frame
  deliver(serverFrame(FrameOpCode::connectionClose, closePayload(1000, "bye")));
  settle();
  adapter->transport->setHoldWrites(false);
  adapter->transport->completeHeldWrites();
  ASSERT_TRUE(runMainUntil([&] { return adapter->transport->connectCalls().size() == 2; }));
  EXPECT_EQ(adapter->server.clientFrameLines(), (Lines{"close:1000"}));
  adapter->server.connectAndAccept();
  ASSERT_TRUE(runMainUntil([&] { return recorder->lines.size() >= 2; }));
  // Neither the old connection's close nor its cancellation reaches the delegate.
  EXPECT_EQ(settled(), (Lines{"connect:websocket [connected]", "connect:websocket [connected]"}));
}

TEST_F(AdapterTest, ReconnectOnAnAdapterThatIsNotConnectedConnects) {
  adapter->reconnect();
  EXPECT_EQ(adapter->transport->connectCalls().size(), 1u);
  EXPECT_TRUE(adapter->transport->writes().empty());
}

TEST_F(AdapterTest, ARefusedUpgradeIsOneErrorOfCodeZero) {
  adapter->connect();
  adapter->transport->deliver(qor::ConnectionState::Connected{});
  ASSERT_TRUE(adapter->server.waitForWrites(1));
  deliver(platform::bytesFromString("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n"));
  ASSERT_TRUE(runMainUntil([&] { return recorder->has("cancel"); }));
  EXPECT_EQ(settled(), (Lines{"error:QORCommon.HTTPUpgradeError:0:{}", "cancel"}));
  EXPECT_FALSE(adapter->isConnected());
}

TEST(AdapterErrorObjects, StackErrorsCarryTheModuleDomainAndTheirCaseOnly) {
  using Kind = qor::FoundationTransportError::Kind;
  struct Case {
    qor::ErrorPtr error;
    std::string domain;
    int64_t code;
  };
  const platform::Error tls = platform::Error::make("kNWErrorDomainTLS", -9807, {{"NSLocalizedDescription", "x"}});
  const Case cases[] = {
      {qor::makeError<qor::WSError>(qor::ErrorType::protocolError, "bad", 1002), "QORCommon.WSError", 1},
      {qor::makeError<qor::WSError>(qor::ErrorType::securityError, "accept", 1), "QORCommon.WSError", 1},
      {qor::makeError<qor::HTTPUpgradeError>(qor::HTTPUpgradeError::notAnUpgrade(403)), "QORCommon.HTTPUpgradeError", 0},
      {qor::makeError<qor::HTTPUpgradeError>(qor::HTTPUpgradeError::invalidData()), "QORCommon.HTTPUpgradeError", 1},
      {qor::makeError<qor::TCPTransportError>(qor::TCPTransportError::invalidRequest()), "QORCommon.TCPTransportError", 0},
      {qor::makeError<qor::FoundationTransportError>(Kind::invalidRequest), "QORCommon.FoundationTransportError", 0},
      {qor::makeError<qor::FoundationTransportError>(Kind::invalidOutputStream), "QORCommon.FoundationTransportError", 1},
      {qor::makeError<qor::FoundationTransportError>(Kind::timeout), "QORCommon.FoundationTransportError", 2},
      {qor::makeError<qor::FoundationSecurityError>(qor::FoundationSecurityError::invalidRequest()),
       "QORCommon.FoundationSecurityError", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.domain + " " + std::to_string(c.code));
    auto object = qor::EngineWebSocketAdapter::errorObject(*c.error);
    EXPECT_EQ(object.domain, c.domain);
    EXPECT_EQ(object.code, c.code);
    EXPECT_EQ(object.userInfo, platform::Json::object());
  }
  // The platform's network errors stay as they came.
  EXPECT_EQ(qor::QOREngineWebSocket::errorObject(qor::PlatformError(tls)), tls);
}

}  // namespace
}  // namespace enginetest
