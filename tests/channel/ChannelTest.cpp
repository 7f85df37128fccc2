// The channel over an adapter whose engine runs on a fake transport, in virtual time: how prepares
// and answers end, one exchange at a time, and that none waits forever.
#include <gtest/gtest.h>

#include <optional>

#include "common/channel/QORCrossVersionWebSocketChannel.h"
#include "platform/SystemLog.h"
#include "platform/http/URLError.h"
#include "tests/channel/ChannelFixture.h"

namespace channeltest {
namespace {

using enginetest::closePayload;
using enginetest::FakeTransportAdapter;
using enginetest::runMainUntil;
using enginetest::serverFrame;
using qor::FrameOpCode;

class ChannelTest : public ChannelFixture {
 public:  // the case tables act on the fixture
  void SetUp() override {
    ChannelFixture::SetUp();
    make("wss://example.com/ws");
  }
  void TearDown() override {
    channel.reset();
    adapter.reset();
    ChannelFixture::TearDown();
  }
  qor::QORWebSocketChannel& channelUnderTest() override { return *channel; }

  void make(const std::string& url) {
    adapter = FakeTransportAdapter::create(url);
    channel = qor::QORCrossVersionWebSocketChannel::create(adapter);
  }
  void accept() { adapter->server.connectAndAccept(); }
  void deliver(const platform::Bytes& bytes) { adapter->transport->deliverBytes(bytes); }
  void open() {
    auto p = prepare();
    accept();
    ASSERT_TRUE(runMainUntil([&] { return p->calls == 1; }));
    ASSERT_TRUE(p->ready);
  }

  std::shared_ptr<FakeTransportAdapter> adapter;
  std::shared_ptr<qor::QORCrossVersionWebSocketChannel> channel;
};

TEST_F(ChannelTest, ConnectsLazilyOnceAndReconnectsWhenAsked) {
  EXPECT_TRUE(adapter->transport->connectCalls().empty());
  open();
  auto again = prepare();
  EXPECT_EQ(again->calls, 1);  // at once, without asking the adapter
  EXPECT_TRUE(again->ready);
  EXPECT_EQ(adapter->transport->connectCalls().size(), 1u);

  auto renewed = prepare(true);
  ASSERT_TRUE(runMainUntil([&] { return adapter->transport->connectCalls().size() == 2; }));
  EXPECT_EQ(adapter->server.clientFrameLines(), std::vector<std::string>{"close:1000"});
  EXPECT_EQ(renewed->calls, 0);
  accept();
  ASSERT_TRUE(runMainUntil([&] { return renewed->calls == 1; }));
  EXPECT_TRUE(renewed->ready);
}

TEST_F(ChannelTest, APendingPrepareHearsNoOnEveryWayTheConnectionFails) {
  struct Case {
    const char* name;
    std::function<void(ChannelTest&)> act;
    double seconds;  // after the prepare
  };
  const Case cases[] = {
      {"refused upgrade (an error of code 0), on a transport that reports no cancellation",
       [](ChannelTest& t) {
         t.adapter->transport->setReportsCancelOnDisconnect(false);
         t.adapter->transport->deliver(qor::ConnectionState::Connected{});
         t.adapter->server.waitForWrites(1);
         t.deliver(platform::bytesFromString("HTTP/1.1 403 Forbidden\r\n\r\n"));
       },
       0},
      {"transport failure without an error",
       [](ChannelTest& t) { t.adapter->transport->deliver(qor::ConnectionState::Failed{nullptr}); }, 0},
      {"cancelled", [](ChannelTest& t) { t.adapter->transport->deliver(qor::ConnectionState::Cancelled{}); }, 0},
      {"no answer at all", [](ChannelTest&) {}, 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    make("wss://example.com/ws");
    const auto start = platform::Clock::now();
    auto p = prepare();
    c.act(*this);
    ASSERT_TRUE(runMainUntil([&] { return p->calls > 0; }, 120));
    linger();
    EXPECT_EQ(p->calls, 1);
    EXPECT_FALSE(p->ready);
    EXPECT_EQ(platform::toSeconds(p->at - start), c.seconds);
  }
}

TEST_F(ChannelTest, TheServersCloseIsLogged) {
  platform::LogCapture log;
  open();
  deliver(serverFrame(FrameOpCode::connectionClose, closePayload(1001, "going")));
  ASSERT_TRUE(runMainUntil([&] { return !log.messages().empty(); }));
  EXPECT_EQ(log.messages(), std::vector<std::string>{"close code: 1001, \nreason: going"});
}

TEST_F(ChannelTest, AURLThatDoesNotParseIsNoAtOnce) {
  make("not a url");
  auto p = prepare();
  EXPECT_EQ(p->calls, 1);
  EXPECT_FALSE(p->ready);
  EXPECT_TRUE(adapter->transport->connectCalls().empty());
}

TEST_F(ChannelTest, AnAnswerPassesOnlyWhenItsStatusMessageIsOk) {
  struct Case {
    std::string text;
    std::optional<std::string> errorDomain;  // nullopt: no error
  };
  const Case cases[] = {
      {R"({"status":{"code":0,"message":"ok"},"data":1})", std::nullopt},
      {R"({"status":{"message":"OK"}})", std::nullopt},
      {R"({"status":{"message":"oK"}})", std::nullopt},
      {R"({"status":{"message":"ok "}})", "ok "},
      {R"({"status":{"message":"refused"}})", "refused"},
      {R"({"status":{"code":0}})", ""},
      {R"({"status":"ok"})", ""},
      {"not json at all", ""},
  };
  open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto a = send("request");
    deliver(serverFrame(FrameOpCode::textFrame, c.text));
    ASSERT_TRUE(runMainUntil([&] { return a->calls == 1; }));
    EXPECT_EQ(a->text, c.text);
    EXPECT_EQ(a->status, 101);
    EXPECT_EQ(a->error.has_value(), c.errorDomain.has_value());
    if (a->error && c.errorDomain) {
      EXPECT_EQ(a->error->domain, *c.errorDomain);
      EXPECT_EQ(a->error->code, 0);
    }
  }
  EXPECT_EQ(adapter->server.clientFrameLines().size(), std::size(cases));
}

TEST_F(ChannelTest, AWaitingAnswerFailsOnEveryWayTheConnectionFails) {
  struct Case {
    const char* name;
    std::function<void(ChannelTest&)> act;
    std::string domain;
    int64_t code;
    double seconds;
  };
  const Case cases[] = {
      {"the server closes",
       [](ChannelTest& t) { t.deliver(serverFrame(FrameOpCode::connectionClose, closePayload(1000))); },
       platform::kURLErrorDomain, platform::kURLErrorNetworkConnectionLost, 0},
      {"a protocol error",
       [](ChannelTest& t) { t.deliver(platform::Bytes{0x83, 0x00}); },  // reserved opcode
       "QORCommon.WSError", 1, 0},
      {"transport failure without an error",
       [](ChannelTest& t) { t.adapter->transport->deliver(qor::ConnectionState::Failed{nullptr}); },
       platform::kURLErrorDomain, platform::kURLErrorNetworkConnectionLost, 0},
      {"cancelled", [](ChannelTest& t) { t.adapter->transport->deliver(qor::ConnectionState::Cancelled{}); },
       platform::kURLErrorDomain, platform::kURLErrorNetworkConnectionLost, 0},
      {"no answer at all", [](ChannelTest&) {}, platform::kURLErrorDomain, platform::kURLErrorTimedOut, 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    make("wss://example.com/ws");
    open();
    const auto start = platform::Clock::now();
    auto a = send("request");
    c.act(*this);
    ASSERT_TRUE(runMainUntil([&] { return a->calls > 0; }, 120));
    linger();
    EXPECT_EQ(a->calls, 1);
    ASSERT_TRUE(a->error);
    EXPECT_EQ(a->error->domain, c.domain);
    EXPECT_EQ(a->error->code, c.code);
    EXPECT_EQ(a->status, c.code);
    EXPECT_EQ(platform::toSeconds(a->at - start), c.seconds);
  }
}

TEST_F(ChannelTest, ExchangesRunOneAtATimeInOrder) {
  auto p1 = prepare();
  auto p2 = prepare();
  accept();
  ASSERT_TRUE(runMainUntil([&] { return p2->calls == 1; }));
  EXPECT_EQ(p1->calls, 1);
  EXPECT_TRUE(p1->ready && p2->ready);
  EXPECT_LE(p1->at, p2->at);
  EXPECT_EQ(adapter->transport->connectCalls().size(), 1u);

  auto a1 = send("first");
  auto a2 = send("second");
  enginetest::settle();
  // The second request waits until the first one's answer is in.
  EXPECT_EQ(adapter->server.clientFrameLines(), std::vector<std::string>{"text:first"});
  deliver(serverFrame(FrameOpCode::textFrame, R"({"status":{"message":"ok"},"n":1})"));
  ASSERT_TRUE(runMainUntil([&] { return adapter->server.clientFrameLines().size() == 2; }));
  EXPECT_EQ(adapter->server.clientFrameLines()[1], "text:second");
  deliver(serverFrame(FrameOpCode::textFrame, R"({"status":{"message":"ok"},"n":2})"));
  ASSERT_TRUE(runMainUntil([&] { return a2->calls == 1; }));
  EXPECT_EQ(a1->calls, 1);
  EXPECT_NE(a1->text.find("\"n\":1"), std::string::npos);
  EXPECT_NE(a2->text.find("\"n\":2"), std::string::npos);
}

TEST_F(ChannelTest, TextsNobodyWaitsForAreDroppedAndLaterEndsCallNothing) {
  open();
  auto a = send("request");
  deliver(serverFrame(FrameOpCode::textFrame, R"({"status":{"message":"ok"}})"));
  deliver(serverFrame(FrameOpCode::textFrame, "a second text"));
  ASSERT_TRUE(runMainUntil([&] { return a->calls == 1; }));
  auto p = prepare();  // answered at once
  deliver(serverFrame(FrameOpCode::connectionClose, closePayload(1000)));
  ASSERT_TRUE(runMainUntil([&] { return adapter->transport->disconnectCount() == 1; }));
  linger();
  EXPECT_EQ(a->calls, 1);
  EXPECT_EQ(a->text, R"({"status":{"message":"ok"}})");
  EXPECT_EQ(p->calls, 1);
}

TEST_F(ChannelTest, ASendWithoutAConnectionFailsAtOnce) {
  auto a = send("request");
  EXPECT_EQ(a->calls, 1);
  ASSERT_TRUE(a->error);
  EXPECT_EQ(a->error->code, platform::kURLErrorNetworkConnectionLost);
  EXPECT_TRUE(adapter->transport->writes().empty());
}

// A late answer must not be taken for the next request's: after a timed-out answer the
// connection is closed and the next prepare opens a new one.
TEST_F(ChannelTest, AfterAnAnswerTimedOutTheNextPrepareStartsAfresh) {
  open();
  auto a = send("slow");
  ASSERT_TRUE(runMainUntil([&] { return a->calls == 1; }, 120));
  ASSERT_TRUE(runMainUntil([&] { return adapter->transport->disconnectCount() == 1; }));
  EXPECT_EQ(adapter->server.clientFrameLines(), (std::vector<std::string>{"text:slow", "close:1000"}));
  auto p = prepare();
  ASSERT_TRUE(runMainUntil([&] { return adapter->transport->connectCalls().size() == 2; }));
  accept();
  ASSERT_TRUE(runMainUntil([&] { return p->calls == 1; }));
  EXPECT_TRUE(p->ready);
}

}  // namespace
}  // namespace channeltest
