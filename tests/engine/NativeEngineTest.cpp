// The engine over the URL session's WebSocket task, with scripted tasks: which events it makes of
// the session's messages and the task's messages, what it asks of the task, and that a replaced or
// failed task cannot disturb the owner.
#include <gtest/gtest.h>

#include "common/websocket/WSError.h"
#include "common/websocket/client/WebSocket.h"
#include "common/websocket/engine/NativeEngine.h"
#include "platform/OSVersion.h"
#include "platform/http/URLError.h"
#include "tests/engine/support/EngineTestSupport.h"
#include "tests/engine/support/ScriptedWebSocketTask.h"

namespace enginetest {
namespace {

using platform::URLSessionWebSocketMessage;
using Lines = std::vector<std::string>;

// Keeps the events themselves (the connected headers among them) beside their log lines.
class KeepingRecorder : public qor::EngineDelegate {
 public:
  void didReceive(qor::WebSocketEvent event) override {
    {
      std::lock_guard lock(mutex_);
      events_.push_back(event);
    }
    log.add(describeEvent(event));
  }
  std::vector<qor::WebSocketEvent> events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  EventLog log;

 private:
  mutable std::mutex mutex_;
  std::vector<qor::WebSocketEvent> events_;
};

class NativeEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine = qor::NativeEngine::create();
    engine->registerDelegate(recorder);
  }
  std::shared_ptr<ScriptedWebSocketTask> start() {
    engine->start(platform::URLRequest(platform::URL::parse("wss://example.com/ws")));
    auto task = tasks.last();
    EXPECT_TRUE(task && task->resumed());
    return task;
  }
  // Waits until the session's delegate queue has delivered everything asked so far.
  static void settleSession() { settle(); }
  // The engine asks again for the next message after it reported one.
  static bool waitForReceive(const std::shared_ptr<ScriptedWebSocketTask>& task) {
    settle();
    return task->waitingReceives() == 1;
  }

  ScriptedTaskFactory tasks;
  std::shared_ptr<qor::NativeEngine> engine;
  std::shared_ptr<KeepingRecorder> recorder = std::make_shared<KeepingRecorder>();
};

TEST_F(NativeEngineTest, TurnsTheSessionsMessagesAndReceivedMessagesIntoEvents) {
  auto task = start();
  EXPECT_EQ(task->waitingReceives(), 1u);  // the loop is armed before the task runs
  task->open();
  ASSERT_TRUE(task->deliver(URLSessionWebSocketMessage::withString("hello")));
  ASSERT_TRUE(waitForReceive(task));
  ASSERT_TRUE(task->deliver(URLSessionWebSocketMessage::withData({1, 2, 3})));
  ASSERT_TRUE(waitForReceive(task));
  task->closeWith(4001, platform::bytesFromString("server says bye"));
  ASSERT_TRUE(recorder->log.waitFor([](const Lines& l) { return l.size() == 4; }));
  EXPECT_EQ(recorder->log.lines(), (Lines{"connected", "text:hello", "binary:3", "disconnected:4001:server says bye"}));
  const auto events = recorder->events();
  const auto* connected = events[0].as<qor::WebSocketEvent::Connected>();
  ASSERT_TRUE(connected);
  EXPECT_EQ(connected->headers, (qor::HeaderFields{{"Sec-WebSocket-Protocol", ""}}));
}

TEST_F(NativeEngineTest, OpenAndCloseCarryWhatTheSessionSays) {
  struct Case {
    std::optional<std::string> protocol;
    platform::OptBytes reason;
    std::string connectedValue;
    std::string closedLine;
  };
  const Case cases[] = {
      {"chat", platform::bytesFromString("done"), "chat", "disconnected:1000:done"},
      {std::nullopt, std::nullopt, "", "disconnected:1000:"},
      {"", platform::Bytes{}, "", "disconnected:1000:"},
      {std::nullopt, platform::Bytes{0xC3, 0x28}, "", "disconnected:1000:"},  // not UTF-8
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.closedLine + " " + c.connectedValue);
    recorder = std::make_shared<KeepingRecorder>();
    engine->registerDelegate(recorder);
    auto task = start();
    task->open(c.protocol);
    task->closeWith(1000, c.reason);
    ASSERT_TRUE(recorder->log.waitFor([](const Lines& l) { return l.size() == 2; }));
    EXPECT_EQ(recorder->log.lines()[1], c.closedLine);
    EXPECT_EQ(recorder->events()[0].as<qor::WebSocketEvent::Connected>()->headers.at("Sec-WebSocket-Protocol"),
              c.connectedValue);
  }
}

TEST_F(NativeEngineTest, TheReceiveLoopStopsAtItsFirstFailure) {
  auto task = start();
  task->open();
  ASSERT_TRUE(task->failReceive(platform::urlError(platform::kURLErrorNetworkConnectionLost)));
  ASSERT_TRUE(recorder->log.waitForLine("error:NSURLErrorDomain(-1005)"));
  settleSession();
  EXPECT_EQ(task->waitingReceives(), 0u);  // not asked again: an ended task would fail at once, forever
  EXPECT_EQ(recorder->log.count("error:"), 1u);
}

TEST_F(NativeEngineTest, ANewStartCancelsTheTaskBeforeAndDropsWhatItStillReports) {
  auto first = start();
  first->open();
  ASSERT_TRUE(recorder->log.waitForLine("connected"));
  auto second = start();
  EXPECT_NE(first, second);
  EXPECT_EQ(first->cancels(), 1);
  EXPECT_EQ(second->cancels(), 0);

  // The old task's end, message and failure do not reach the owner as the new connection's.
  first->deliver(URLSessionWebSocketMessage::withString("late"));
  first->closeWith(1001, std::nullopt);
  second->open();
  ASSERT_TRUE(second->deliver(URLSessionWebSocketMessage::withString("fresh")));
  ASSERT_TRUE(recorder->log.waitForLine("text:fresh"));
  settleSession();
  EXPECT_EQ(recorder->log.lines(), (Lines{"connected", "connected", "text:fresh"}));
  EXPECT_EQ(second->waitingReceives(), 1u);  // one loop on the new task, not two
}

TEST_F(NativeEngineTest, StopsAskTheTaskToCloseAndAForcedStopNeverSendsACloseFrame) {
  platform::ScopedOperatingSystemVersion version({17, 0, 0});
  auto socket = qor::WebSocket::create(platform::URLRequest(platform::URL::parse("wss://example.com/ws")),
                                       std::make_shared<qor::FoundationSecurity>(), nullptr, false);
  socket->connect();
  auto task = tasks.last();
  ASSERT_TRUE(task);
  socket->disconnect();
  socket->disconnect(4000);
  socket->forceDisconnect();
  // 1006 only reports an abnormal end: the task takes it as "abort without a close frame".
  EXPECT_EQ(task->closeCodes(), (std::vector<int64_t>{1000, 4000, 1006}));
}

TEST_F(NativeEngineTest, WritesGoToTheTaskByOpcode) {
  auto task = start();
  struct Case {
    qor::FrameOpCode opcode;
    std::string sent;  // "" when nothing is sent
    bool completes;
  };
  const Case cases[] = {
      {qor::FrameOpCode::textFrame, "string:abc", true},   {qor::FrameOpCode::binaryFrame, "data:abc", true},
      {qor::FrameOpCode::ping, "ping", false},             {qor::FrameOpCode::pong, "", false},
      {qor::FrameOpCode::connectionClose, "", false},      {qor::FrameOpCode::continueFrame, "", false},
      {qor::FrameOpCode::unknown, "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.opcode));
    const auto sentBefore = task->sent().size();
    const int pingsBefore = task->pings();
    auto completed = std::make_shared<std::atomic<int>>(0);
    engine->writeData(platform::bytesFromString("abc"), c.opcode, [completed] { ++*completed; });
    std::string sent;
    if (task->sent().size() > sentBefore) {
      const auto m = task->sent().back();
      sent = m.type == URLSessionWebSocketMessage::Type::string ? "string:" + m.string
                                                                : "data:" + platform::stringFromBytes(m.data);
    } else if (task->pings() > pingsBefore) {
      sent = "ping";
    }
    EXPECT_EQ(sent, c.sent);
    if (c.completes) {
      // A failed send completes too: the engine does not report send failures.
      ASSERT_TRUE(task->completeSend(platform::urlError(platform::kURLErrorNetworkConnectionLost)));
    }
    settleSession();
    EXPECT_EQ(*completed, c.completes ? 1 : 0);
  }
}

TEST_F(NativeEngineTest, TextThatIsNotUTF8IsRefusedWithAnErrorEvent) {
  auto task = start();
  bool completed = false;
  engine->writeData(platform::Bytes{'o', 'k', 0xC3, 0x28}, qor::FrameOpCode::textFrame, [&] { completed = true; });
  engine->writeString(std::string("\xED\xA0\x80"), [&] { completed = true; });  // a surrogate
  engine->writeString("fine", nullptr);
  ASSERT_EQ(task->sent().size(), 1u);
  EXPECT_EQ(task->sent()[0].string, "fine");
  EXPECT_EQ(recorder->log.lines(), (Lines{"error:WSError(protocolError,1007,not valid UTF-8 data)",
                                          "error:WSError(protocolError,1007,not valid UTF-8 data)"}));
  settleSession();
  EXPECT_FALSE(completed);
}

TEST_F(NativeEngineTest, WithoutATaskNothingHappens) {
  int completed = 0;
  for (auto opcode : {qor::FrameOpCode::textFrame, qor::FrameOpCode::binaryFrame, qor::FrameOpCode::ping}) {
    engine->writeData(platform::bytesFromString("x"), opcode, [&] { ++completed; });
  }
  engine->writeString("x", [&] { ++completed; });
  engine->writeData(platform::Bytes{0xFF}, qor::FrameOpCode::textFrame, [&] { ++completed; });
  engine->stop(1000);
  engine->forceStop();
  settleSession();
  EXPECT_EQ(completed, 0);
  EXPECT_TRUE(tasks.tasks().empty());
  EXPECT_TRUE(recorder->log.lines().empty());
}

}  // namespace
}  // namespace enginetest
