// The URL session's WebSocket task as this library provides it, against our server (and a hostile
// peer): what it does before the upgrade, how each way of ending reaches the delegate and what
// still waits, and what it refuses.
#include <gtest/gtest.h>

#include "common/websocket/urlsession/EngineWebSocketTask.h"
#include "platform/http/URLError.h"
#include "tests/engine/support/PeerServer.h"
#include "tests/server/support/ServerHarness.h"

namespace servertest {
namespace {

using enginetest::EventLog;
using enginetest::waitUntil;
using platform::URLSessionWebSocketMessage;
using Lines = std::vector<std::string>;

std::string describe(const std::optional<platform::Error>& error) {
  return error ? error->domain + "(" + std::to_string(error->code) + ")" : "none";
}

// The session's delegate: one line per message, and whether each came on the delegate queue.
class DelegateLog : public platform::URLSessionWebSocketDelegate {
 public:
  void urlSessionWebSocketTaskDidOpenWithProtocol(const std::shared_ptr<platform::URLSession>& session,
                                                  const std::shared_ptr<platform::URLSessionWebSocketTask>&,
                                                  const std::optional<std::string>& protocol) override {
    note(session, "open:" + protocol.value_or("none"));
  }
  void urlSessionWebSocketTaskDidCloseWithCode(const std::shared_ptr<platform::URLSession>& session,
                                               const std::shared_ptr<platform::URLSessionWebSocketTask>&, int64_t code,
                                               const platform::OptBytes& reason) override {
    note(session, "close:" + std::to_string(code) + ":" + platform::stringFromBytes(reason.value_or(platform::Bytes{})));
  }
  void urlSessionTaskDidCompleteWithError(const std::shared_ptr<platform::URLSession>& session,
                                          const std::shared_ptr<platform::URLSessionWebSocketTask>&,
                                          const std::optional<platform::Error>& error) override {
    note(session, "complete:" + describe(error));
  }
  EventLog log;
  std::atomic<bool> onDelegateQueue{true};

 private:
  void note(const std::shared_ptr<platform::URLSession>& session, std::string line) {
    if (!session->delegateQueue()->isCurrent()) onDelegateQueue = false;
    log.add(std::move(line));
  }
};

class WebSocketTaskTest : public ::testing::Test {
 protected:
  void SetUp() override { qor::EngineWebSocketTask::registerWithURLSession(); }

  std::shared_ptr<platform::URLSessionWebSocketTask> makeTask(const std::string& url) {
    session = platform::URLSession::create({}, delegate, nullptr);
    return session->webSocketTaskWithRequest(platform::URLRequest(platform::URL::parse(url)));
  }
  // The next message (its text, "data:<size>" or "error:<error>").
  std::string receive(platform::URLSessionWebSocketTask& task) {
    auto line = std::make_shared<EventLog>();
    task.receiveMessageWithCompletionHandler(
        [line](std::optional<URLSessionWebSocketMessage> message, std::optional<platform::Error> error) {
          if (!message) {
            line->add("error:" + describe(error));
          } else if (message->type == URLSessionWebSocketMessage::Type::string) {
            line->add(message->string);
          } else {
            line->add("data:" + std::to_string(message->data.size()));
          }
        });
    EXPECT_TRUE(line->waitFor([](const Lines& l) { return !l.empty(); }));
    return line->lines().empty() ? "" : line->lines()[0];
  }
  // The outcome of a send: "sent" or "error:<error>".
  std::string send(platform::URLSessionWebSocketTask& task, URLSessionWebSocketMessage message) {
    auto line = std::make_shared<EventLog>();
    task.sendMessage(std::move(message),
                     [line](std::optional<platform::Error> error) { line->add(error ? "error:" + describe(error) : "sent"); });
    EXPECT_TRUE(line->waitFor([](const Lines& l) { return !l.empty(); }));
    return line->lines().empty() ? "" : line->lines()[0];
  }

  std::shared_ptr<DelegateLog> delegate = std::make_shared<DelegateLog>();
  std::shared_ptr<platform::URLSession> session;
};

TEST_F(WebSocketTaskTest, WhatIsAskedBeforeTheUpgradeGoesOutInOrderAndMessagesWaitForTheirReceive) {
  ServerHarness harness;  // echoes
  auto task = makeTask(harness.url());
  ASSERT_TRUE(task);
  EXPECT_EQ(task->state(), platform::URLSessionWebSocketTask::State::suspended);
  std::atomic<int> sent{0};
  for (const char* text : {"one", "two", "three"}) {
    task->sendMessage(URLSessionWebSocketMessage::withString(text), [&](auto error) { sent += error ? 100 : 1; });
  }
  std::atomic<bool> ponged{false};
  task->sendPingWithPongReceiveHandler([&](auto error) { ponged = !error; });
  task->resume();
  ASSERT_TRUE(delegate->log.waitForLine("open:none"));
  ASSERT_TRUE(harness.log().waitForLine("ping:"));
  EXPECT_EQ(harness.log().lines(), (Lines{"connected", "text:one", "text:two", "text:three", "ping:"}));
  EXPECT_TRUE(waitUntil([&] { return sent == 3 && ponged; }));
  EXPECT_EQ(receive(*task), "one");
  EXPECT_EQ(receive(*task), "two");
  EXPECT_EQ(receive(*task), "three");
  EXPECT_EQ(send(*task, URLSessionWebSocketMessage::withData(platform::Bytes(5000, 1))), "sent");
  EXPECT_EQ(receive(*task), "data:5000");
  ASSERT_TRUE(task->response());
  EXPECT_EQ(task->response()->statusCode, 101);
  EXPECT_EQ(task->state(), platform::URLSessionWebSocketTask::State::running);
  EXPECT_TRUE(delegate->onDelegateQueue);
}

TEST_F(WebSocketTaskTest, EveryEndReachesTheDelegateAndWhatStillWaits) {
  const std::string notConnected = "NSPOSIXErrorDomain(" + std::to_string(ENOTCONN) + ")";
  const std::string cancelled = "NSURLErrorDomain(-999)";
  struct Case {
    const char* name;
    std::function<void(platform::URLSessionWebSocketTask&, ServerHarness&)> end;
    Lines delegateLines;  // after "open:none"
    std::string waitingReceive;
    std::string serverLine;  // "" when the server hears no close frame
    int64_t closeCode;
  };
  const Case cases[] = {
      {"the server's close frame",
       [](auto&, ServerHarness& h) {
         h.lastConnection()->write(enginetest::closePayload(4001, "bye"), qor::FrameOpCode::connectionClose);
       },
       // Our engine answers the close frame with its code (no reason).
       {"close:4001:bye", "complete:none"}, "error:" + notConnected, "disconnected:4001:", 4001},
      {"our close with a code and reason",
       [](auto& task, ServerHarness&) { task.cancelWithCloseCode(4000, platform::bytesFromString("done")); },
       {"close:4000:done", "complete:none"}, "error:" + notConnected, "disconnected:4000:done", 4000},
      {"cancel", [](auto& task, ServerHarness&) { task.cancel(); }, {"complete:" + cancelled}, "error:" + cancelled, "", 0},
      {"a close with 1006, which may not go on the wire",
       [](auto& task, ServerHarness&) { task.cancelWithCloseCode(1006, std::nullopt); },
       {"complete:" + cancelled}, "error:" + cancelled, "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ServerHarness harness(false);
    delegate = std::make_shared<DelegateLog>();
    auto task = makeTask(harness.url());
    task->resume();
    ASSERT_TRUE(delegate->log.waitForLine("open:none"));
    ASSERT_TRUE(harness.log().waitForLine("connected"));
    auto waiting = std::make_shared<EventLog>();
    task->receiveMessageWithCompletionHandler([waiting](auto message, auto error) {
      waiting->add(message ? "message" : "error:" + describe(error));
    });
    c.end(*task, harness);
    ASSERT_TRUE(delegate->log.waitFor([&](const Lines& l) { return l.size() == c.delegateLines.size() + 1; }));
    Lines expected{"open:none"};
    expected.insert(expected.end(), c.delegateLines.begin(), c.delegateLines.end());
    EXPECT_EQ(delegate->log.lines(), expected);
    ASSERT_TRUE(waiting->waitFor([](const Lines& l) { return !l.empty(); }));
    EXPECT_EQ(waiting->lines()[0], c.waitingReceive);
    EXPECT_EQ(task->state(), platform::URLSessionWebSocketTask::State::completed);
    EXPECT_EQ(task->closeCode(), c.closeCode);
    // Later calls fail at once instead of waiting.
    EXPECT_EQ(receive(*task), c.waitingReceive);
    EXPECT_EQ(send(*task, URLSessionWebSocketMessage::withString("late")).rfind("error:", 0), 0u);
    EXPECT_TRUE(harness.waitForEmptyTable());
    if (c.serverLine.empty()) {
      EXPECT_EQ(harness.log().count("disconnected"), 0u);
    } else {
      EXPECT_TRUE(harness.log().waitForLine(c.serverLine));
    }
  }
}

TEST_F(WebSocketTaskTest, AFailedConnectionOrUpgradeEndsTheTaskWithItsError) {
  enginetest::PeerServer hostile(enginetest::PeerServer::Kind::hostile);
  ASSERT_TRUE(hostile.running());
  uint16_t closedPort = 0;
  {
    ServerHarness gone;
    closedPort = gone.port();
  }
  struct Case {
    std::string url;
    int status;  // of the refused upgrade answer; 0 when there is none to report
  };
  const Case cases[] = {{hostile.url("/refused-403"), 403},
                        {hostile.url("/wrong-accept"), 0},
                        {"ws://127.0.0.1:" + std::to_string(closedPort) + "/", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    delegate = std::make_shared<DelegateLog>();
    auto task = makeTask(c.url);
    task->resume();
    const std::string failed = receive(*task);
    EXPECT_EQ(failed.rfind("error:", 0), 0u) << failed;
    ASSERT_TRUE(delegate->log.waitFor([](const Lines& l) { return !l.empty(); }));
    EXPECT_EQ(delegate->log.lines(), Lines{"complete:" + failed.substr(6)});
    EXPECT_EQ(task->response() ? task->response()->statusCode : 0, c.status);
  }
}

TEST_F(WebSocketTaskTest, TextThatIsNotUTF8IsRefused) {
  ServerHarness harness;
  auto task = makeTask(harness.url());
  task->resume();
  EXPECT_EQ(send(*task, URLSessionWebSocketMessage::withString(std::string("\xC3\x28"))),
            "error:NSPOSIXErrorDomain(" + std::to_string(EINVAL) + ")");
  EXPECT_EQ(send(*task, URLSessionWebSocketMessage::withString("fine")), "sent");
  ASSERT_TRUE(harness.log().waitForLine("text:fine"));
  EXPECT_EQ(harness.log().lines(), (Lines{"connected", "text:fine"}));
  task->cancel();
}

}  // namespace
}  // namespace servertest
