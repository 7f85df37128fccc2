// The channel over the URL session's WebSocket task, with scripted tasks, in virtual time: every
// answer on the main queue, a replaced task that cannot answer for the new one, and no caller that
// waits forever.
#include <gtest/gtest.h>

#include "common/channel/QORNativeWebSocketChannel.h"
#include "platform/SystemLog.h"
#include "platform/http/URLError.h"
#include "tests/channel/ChannelFixture.h"
#include "tests/engine/support/ScriptedWebSocketTask.h"

namespace channeltest {
namespace {

using enginetest::runMainUntil;
using enginetest::ScriptedWebSocketTask;
using platform::URLSessionWebSocketMessage;

URLSessionWebSocketMessage text(const std::string& s) { return URLSessionWebSocketMessage::withString(s); }

const std::string kOk = R"({"status":{"message":"ok"}})";

class NativeChannelTest : public ChannelFixture {
 public:  // the case tables act on the fixture
  void SetUp() override {
    ChannelFixture::SetUp();
    make("wss://example.com/ws");
  }
  void TearDown() override {
    channel.reset();
    ChannelFixture::TearDown();
  }
  qor::QORWebSocketChannel& channelUnderTest() override { return *channel; }

  void make(const std::string& url, double timeout = 60) {
    platform::URLRequest request(platform::URL::parse(url));
    request.setTimeoutInterval(timeout);
    channel = qor::QORNativeWebSocketChannel::create(request);
  }
  std::shared_ptr<ScriptedWebSocketTask> current() {
    return std::dynamic_pointer_cast<ScriptedWebSocketTask>(channel->task());
  }
  // A prepare answered YES by an opened task; that task.
  std::shared_ptr<ScriptedWebSocketTask> open() {
    auto p = prepare();
    auto task = current();
    task->open();
    EXPECT_TRUE(runMainUntil([&] { return p->calls == 1; }));
    EXPECT_TRUE(p->ready);
    return task;
  }
  // Hands a message to the task's waiting receive, once the channel has asked for one.
  static void answer(const std::shared_ptr<ScriptedWebSocketTask>& task, const std::string& s) {
    ASSERT_TRUE(runMainUntil([&] { return task->waitingReceives() > 0; }));
    ASSERT_TRUE(task->deliver(text(s)));
  }

  enginetest::ScriptedTaskFactory tasks;
  std::shared_ptr<qor::QORNativeWebSocketChannel> channel;
};

TEST_F(NativeChannelTest, ConnectsLazilyOnceAndAnswersLaterPreparesAtOnce) {
  auto made = current();
  ASSERT_TRUE(made);
  EXPECT_FALSE(made->resumed());  // made by the set-up, not started
  auto task = open();
  EXPECT_NE(task, made);
  EXPECT_TRUE(task->resumed());
  auto again = prepare();
  EXPECT_EQ(again->calls, 1);
  EXPECT_TRUE(again->ready);
  EXPECT_EQ(tasks.tasks().size(), 2u);
}

TEST_F(NativeChannelTest, EveryAnswerComesOnTheMainQueue) {
  struct Case {
    const char* name;
    std::function<void(const std::shared_ptr<ScriptedWebSocketTask>&)> act;  // on the prepare's task
    bool ready;
  };
  const Case prepares[] = {
      {"opened", [](const auto& t) { t->open(); }, true},
      {"closed", [](const auto& t) { t->closeWith(1011, std::nullopt); }, false},
      {"failed", [](const auto& t) { t->completeWith(platform::urlError(platform::kURLErrorCannotConnectToHost)); }, false},
  };
  for (const auto& c : prepares) {
    SCOPED_TRACE(c.name);
    make("wss://example.com/ws");
    auto p = prepare();
    c.act(current());
    ASSERT_TRUE(runMainUntil([&] { return p->calls > 0; }));
    linger();
    EXPECT_EQ(p->calls, 1);
    EXPECT_EQ(p->ready, c.ready);
    EXPECT_TRUE(p->onMain);
  }

  // A send error: logged, the task cancelled, the answer with status 0.
  platform::LogCapture log;
  make("wss://example.com/ws");
  auto task = open();
  auto a = send("request");
  ASSERT_TRUE(task->completeSend(platform::urlError(platform::kURLErrorNetworkConnectionLost)));
  ASSERT_TRUE(runMainUntil([&] { return a->calls > 0; }));
  EXPECT_TRUE(a->onMain);
  ASSERT_TRUE(a->error);
  EXPECT_EQ(a->error->code, platform::kURLErrorNetworkConnectionLost);
  EXPECT_EQ(a->status, 0);
  EXPECT_EQ(task->cancels(), 1);
  EXPECT_FALSE(channel->isOpen());
  EXPECT_EQ(log.messages(), std::vector<std::string>{platform::urlErrorDescription(platform::kURLErrorNetworkConnectionLost)});

  // Received answers too, with the upgrade answer's status.
  task = open();
  a = send("request");
  answer(task, kOk);
  ASSERT_TRUE(runMainUntil([&] { return a->calls > 0; }));
  EXPECT_TRUE(a->onMain);
  EXPECT_EQ(a->text, kOk);
  EXPECT_FALSE(a->error);
  EXPECT_EQ(a->status, 101);
}

TEST_F(NativeChannelTest, AReconnectIsNotAnsweredByTheOldTasksClose) {
  auto old = open();
  auto p = prepare(true);
  auto fresh = current();
  EXPECT_NE(fresh, old);
  EXPECT_EQ(old->cancels(), 1);
  EXPECT_TRUE(fresh->resumed());
  // The old task's end arrives after the new prepare was asked.
  old->closeWith(1000, platform::bytesFromString("bye"));
  old->completeWith(platform::urlError(platform::kURLErrorCancelled));
  linger();
  EXPECT_EQ(p->calls, 0);
  fresh->open();
  ASSERT_TRUE(runMainUntil([&] { return p->calls == 1; }));
  EXPECT_TRUE(p->ready);
}

TEST_F(NativeChannelTest, NoCallerWaitsForever) {
  // A prepare whose task never opens.
  auto start = platform::Clock::now();
  auto p = prepare();
  ASSERT_TRUE(runMainUntil([&] { return p->calls > 0; }, 120));
  EXPECT_FALSE(p->ready);
  EXPECT_EQ(platform::toSeconds(p->at - start), 60);

  // An answer that never comes: the connection is closed, and the next prepare makes a new task.
  auto task = open();
  start = platform::Clock::now();
  auto a = send("slow");
  ASSERT_TRUE(runMainUntil([&] { return a->calls > 0; }, 120));
  ASSERT_TRUE(a->error);
  EXPECT_EQ(a->error->code, platform::kURLErrorTimedOut);
  EXPECT_EQ(platform::toSeconds(a->at - start), 60);
  EXPECT_EQ(task->closeCodes(), std::vector<int64_t>{1000});
  EXPECT_FALSE(channel->isOpen());
  auto renewed = prepare();
  EXPECT_NE(current(), task);
  current()->open();
  ASSERT_TRUE(runMainUntil([&] { return renewed->calls == 1; }));
  EXPECT_TRUE(renewed->ready);

  // An answer that the end of the connection cuts off.
  task = current();
  a = send("cut off");
  task->closeWith(1001, std::nullopt);
  ASSERT_TRUE(runMainUntil([&] { return a->calls > 0; }));
  EXPECT_EQ(a->error->code, platform::kURLErrorNetworkConnectionLost);
  EXPECT_EQ(task->cancels(), 1);

  // A send without an open task fails at once; a URL that does not parse is NO at once.
  auto b = send("nowhere");
  EXPECT_EQ(b->calls, 1);
  make("not a url");
  auto q = prepare();
  EXPECT_EQ(q->calls, 1);
  EXPECT_FALSE(q->ready);
}

TEST_F(NativeChannelTest, AnswersAreJudgedAndStrayMessagesAreNotTakenForTheNextAnswer) {
  auto task = open();
  struct Case {
    std::string text;
    bool error;
  };
  const Case cases[] = {{kOk, false}, {R"({"status":{"message":"OK"}})", false}, {"not json", true},
                        {R"({"status":{"message":"refused"}})", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto a = send("request");
    answer(task, c.text);
    ASSERT_TRUE(runMainUntil([&] { return a->calls == 1; }));
    EXPECT_EQ(a->text, c.text);
    EXPECT_EQ(a->error.has_value(), c.error);
    EXPECT_EQ(a->status, 101);
  }
  // A second message after an answer is dropped, not kept for the next request.
  answer(task, "stray");
  linger();
  auto a = send("next");
  answer(task, R"({"status":{"message":"ok"},"n":2})");
  ASSERT_TRUE(runMainUntil([&] { return a->calls == 1; }));
  EXPECT_EQ(a->text, R"({"status":{"message":"ok"},"n":2})");

  // A receive failure answers with its error.
  a = send("again");
  ASSERT_TRUE(runMainUntil([&] { return task->waitingReceives() > 0; }));
  ASSERT_TRUE(task->failReceive(platform::urlError(platform::kURLErrorNetworkConnectionLost)));
  ASSERT_TRUE(runMainUntil([&] { return a->calls == 1; }));
  EXPECT_EQ(a->error->code, platform::kURLErrorNetworkConnectionLost);
  std::vector<std::string> sent;
  for (const auto& m : task->sent()) sent.push_back(m.string);
  EXPECT_EQ(sent.size(), std::size(cases) + 2);
}

TEST_F(NativeChannelTest, TheServersCloseIsLogged) {
  platform::LogCapture log;
  auto task = open();
  task->closeWith(4001, platform::bytesFromString("server says bye"));
  ASSERT_TRUE(runMainUntil([&] { return !log.messages().empty(); }));
  EXPECT_EQ(log.messages(), std::vector<std::string>{"close code: 4001, \nreason: server says bye"});
  EXPECT_FALSE(channel->isOpen());
}

}  // namespace
}  // namespace channeltest
