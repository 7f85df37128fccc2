// The front class: what it asks of its engine, and how the engine's events reach the delegate and
// the event block.
#include <gtest/gtest.h>

#include "common/websocket/client/WebSocket.h"
#include "common/websocket/engine/NativeEngine.h"
#include "common/websocket/engine/WSEngine.h"
#include "common/websocket/transport/FoundationTransport.h"
#include "common/websocket/transport/TCPTransport.h"
#include "platform/OSVersion.h"
#include "tests/engine/support/EngineTestSupport.h"

namespace enginetest {
namespace {

using Lines = std::vector<std::string>;

// An engine that records the calls it gets.
class RecordingEngine : public qor::Engine {
 public:
  void registerDelegate(std::weak_ptr<qor::EngineDelegate> d) override {
    delegate = d;
    calls.push_back("register");
  }
  void start(const platform::URLRequest& request) override {
    calls.push_back("start:" + (request.url() ? request.url()->absoluteString() : std::string("-")));
  }
  void stop(uint16_t code) override { calls.push_back("stop:" + std::to_string(code)); }
  void forceStop() override { calls.push_back("forceStop"); }
  void writeData(platform::Bytes data, qor::FrameOpCode opcode, WriteCompletion completion) override {
    calls.push_back("write:" + std::to_string(static_cast<int>(opcode)) + ":" + platform::stringFromBytes(data) +
                    (completion ? ":c" : ""));
  }
  void writeString(const std::string& string, WriteCompletion completion) override {
    calls.push_back("writeString:" + string + (completion ? ":c" : ""));
  }
  std::weak_ptr<qor::EngineDelegate> delegate;
  Lines calls;
};

class LoggingDelegate : public qor::WebSocketDelegate {
 public:
  void didReceive(const qor::WebSocketEvent& event, const std::shared_ptr<qor::WebSocket>& client) override {
    // Before the log line, whose lock publishes it to the waiting test.
    onMain = onMain && platform::MainQueue::shared()->isCurrent();
    log.add("delegate:" + describeEvent(event) + (client ? "" : ":no client"));
  }
  EventLog log;
  bool onMain = true;
};

platform::URLRequest requestFor(const std::string& url) { return platform::URLRequest(platform::URL::parse(url)); }

TEST(WebSocketTest, ForwardsEveryCallToItsEngine) {
  auto engine = std::make_shared<RecordingEngine>();
  auto socket = qor::WebSocket::create(requestFor("wss://example.com/a"), engine);
  socket->connect();
  socket->setRequest(requestFor("wss://example.com/b"));
  socket->connect();
  socket->disconnect();
  socket->disconnect(4000);
  socket->forceDisconnect();
  auto done = [] {};
  socket->writeString("s");
  socket->writeString("s", done);
  socket->writeStringData(platform::Bytes{0xFF, 0xFE}, nullptr);
  socket->writeData(platform::bytesFromString("d"));
  socket->writePing(platform::bytesFromString("p"), done);
  socket->writePong(platform::bytesFromString("q"));
  EXPECT_EQ(engine->calls, (Lines{"register", "start:wss://example.com/a", "register", "start:wss://example.com/b",
                                  "stop:1000", "stop:4000", "forceStop", "writeString:s", "writeString:s:c",
                                  "write:1:\xFF\xFE", "write:2:d", "write:9:p:c", "write:10:q"}));
  EXPECT_EQ(engine->delegate.lock(), socket);
}

TEST(WebSocketTest, EventsReachTheDelegateThenTheBlockOnTheCallbackQueue) {
  auto engine = std::make_shared<RecordingEngine>();
  auto socket = qor::WebSocket::create(requestFor("wss://example.com/"), engine);
  auto delegate = std::make_shared<LoggingDelegate>();
  socket->setDelegate(delegate);
  bool blockOnMain = true;
  socket->setOnEvent([&](const qor::WebSocketEvent& event) {
    delegate->log.add("block:" + describeEvent(event));
    blockOnMain = blockOnMain && platform::MainQueue::shared()->isCurrent();
  });
  socket->didReceive(qor::WebSocketEvent::Text{"one"});
  socket->didReceive(qor::WebSocketEvent::Cancelled{});
  EXPECT_TRUE(delegate->log.lines().empty());  // nothing before the callback queue runs
  platform::MainQueue::shared()->drain();
  EXPECT_EQ(delegate->log.lines(), (Lines{"delegate:text:one", "block:text:one", "delegate:cancelled", "block:cancelled"}));
  EXPECT_TRUE(delegate->onMain);
  EXPECT_TRUE(blockOnMain);

  // Another callback queue takes the events reported after the change.
  auto queue = platform::SerialQueue::create("com.qor.test.callback");
  socket->setCallbackQueue(queue);
  socket->setOnEvent(nullptr);
  socket->didReceive(qor::WebSocketEvent::Text{"two"});
  ASSERT_TRUE(delegate->log.waitForLine("delegate:text:two"));
  EXPECT_FALSE(delegate->onMain);
  EXPECT_EQ(platform::MainQueue::shared()->pendingCount(), 0u);
}

TEST(WebSocketTest, EventsOfAReleasedSocketOrWithoutReceiversAreDropped) {
  auto engine = std::make_shared<RecordingEngine>();
  auto socket = qor::WebSocket::create(requestFor("wss://example.com/"), engine);
  socket->didReceive(qor::WebSocketEvent::Text{"nobody listens"});
  platform::MainQueue::shared()->drain();

  auto delegate = std::make_shared<LoggingDelegate>();
  socket->setDelegate(delegate);
  socket->didReceive(qor::WebSocketEvent::Text{"late"});
  socket.reset();
  platform::MainQueue::shared()->drain();
  EXPECT_TRUE(delegate->log.lines().empty());
}

TEST(WebSocketTest, ChoosesItsEngineAndTransportByTheSystemVersion) {
  enum class Made { tcp, stream, native };
  struct Case {
    platform::OperatingSystemVersion version;
    bool useCustomEngine;
    Made made;
  };
  const Case cases[] = {{{17, 0, 0}, true, Made::tcp},    {{12, 0, 0}, true, Made::tcp},
                        {{11, 4, 0}, true, Made::stream}, {{13, 0, 0}, false, Made::native},
                        {{17, 0, 0}, false, Made::native}, {{12, 4, 0}, false, Made::tcp},
                        {{11, 4, 0}, false, Made::stream}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.version.majorVersion << "." << c.version.minorVersion << " custom "
                                    << c.useCustomEngine);
    platform::ScopedOperatingSystemVersion version(c.version);
    auto socket = qor::WebSocket::create(requestFor("wss://example.com/"), std::make_shared<qor::FoundationSecurity>(),
                                         nullptr, c.useCustomEngine);
    if (c.made == Made::native) {
      EXPECT_TRUE(std::dynamic_pointer_cast<qor::NativeEngine>(socket->engine()));
      // Only our engine has the setting: the URL-session task always answers pings.
      socket->setRespondToPingWithPong(false);
      EXPECT_TRUE(socket->respondToPingWithPong());
      continue;
    }
    auto engine = std::dynamic_pointer_cast<qor::WSEngine>(socket->engine());
    ASSERT_TRUE(engine);
    EXPECT_EQ(std::dynamic_pointer_cast<qor::TCPTransport>(engine->transport()) != nullptr, c.made == Made::tcp);
    EXPECT_EQ(std::dynamic_pointer_cast<qor::FoundationTransport>(engine->transport()) != nullptr,
              c.made == Made::stream);
  }
}

TEST(WebSocketTest, RespondToPingWithPongIsTheWSEnginesSetting) {
  auto wsEngine = qor::WSEngine::create(qortest::FakeTransport::create());
  auto socket = qor::WebSocket::create(requestFor("wss://example.com/"), wsEngine);
  EXPECT_TRUE(socket->respondToPingWithPong());
  socket->setRespondToPingWithPong(false);
  EXPECT_FALSE(wsEngine->respondToPingWithPong());
  EXPECT_FALSE(socket->respondToPingWithPong());

  auto other = qor::WebSocket::create(requestFor("wss://example.com/"), std::make_shared<RecordingEngine>());
  other->setRespondToPingWithPong(false);
  EXPECT_TRUE(other->respondToPingWithPong());
}

}  // namespace
}  // namespace enginetest
