// Client actions that ask for WebSocket, end to end against the reference server: answers over
// WebSocket, and every way the WebSocket road fails sending the identical request over HTTPS and
// switching WebSocket off for the process; over either channel.
#include <gtest/gtest.h>

#include "common/channel/QORCrossVersionWebSocketChannel.h"
#include "common/channel/QORNativeWebSocketChannel.h"
#include "common/transport/QORNetworkingUtils.h"
#include "common/transport/QORWebSocketChannelRoad.h"
#include "common/transport/internal/WebSocketFailureFlag.h"
#include "platform/security/TrustStore.h"
#include "tests/actions/ActionsTestSupport.h"
#include "tests/engine/support/PeerServer.h"

namespace qortest {
namespace {

using platform::Json;

class WebSocketAction : public TestAction {
 public:
  static std::shared_ptr<WebSocketAction> create(bool reconnect) {
    auto action = std::shared_ptr<WebSocketAction>(new WebSocketAction());
    action->reconnect = reconnect;
    return action;
  }
  bool shouldUseWebSocket() const override { return true; }
  bool shouldReconnectWebsocket() const override { return reconnect; }
  bool reconnect = false;
};

// Runs WebSocket actions; the first one asks to reconnect, as a wake-up does.
class WebSocketController : public TestController {
 public:
  static std::shared_ptr<WebSocketController> create() {
    return std::shared_ptr<WebSocketController>(new WebSocketController());
  }
  Actions createActions() override {
    Actions list;
    auto self = std::dynamic_pointer_cast<WebSocketController>(shared_from_this());
    for (int i = 0; i < actionCount; ++i) {
      auto action = WebSocketAction::create(i == 0);
      action->setDelegate(self);
      action->setDataSource(self);
      list.push_back(action);
    }
    return list;
  }
};

bool overWebSocket(const Json& record) { return record.value("transport", "") == "websocket"; }

class RoadTest : public ActionsTest {
 protected:
  void SetUp() override {
    ActionsTest::SetUp();
    platform::TrustStore::addTestAnchorsFromFile(server_->caPath());
    qor::internal::websocketFailureFlag() = false;
    qor::QORCommonData::setWebSocketHost(server_->webSocketURL());
    qor::QORCommonData::setHttpHeaders(Json{{"X-Tenant", "t1"}});
  }
  void TearDown() override {
    qor::QORNetworkingUtils::setWebSocketRoad(nullptr);
    qor::internal::websocketFailureFlag() = false;
    ActionsTest::TearDown();
  }

  // A channel of its own for this case (the process's channel is made once, for one URL).
  void installChannel(const std::string& url, double timeout = 60, bool native = false) {
    auto request = qor::QORCrossVersionWebSocketChannel::makeUrlRequest();
    request.setURL(platform::URL::parse(url));
    request.setTimeoutInterval(timeout);
    if (native) {
      channel_ = qor::QORNativeWebSocketChannel::create(request);
    } else {
      channel_ = qor::QORCrossVersionWebSocketChannel::create(qor::QOREngineWebSocket::create(request));
    }
    qor::QORNetworkingUtils::setWebSocketRoad(std::make_shared<qor::QORWebSocketChannelRoad>(channel_));
  }
  qor::QORStatus run(int actions) {
    auto controller = WebSocketController::create();
    controller->actionCount = actions;
    auto delegate = std::make_shared<RecordingDelegate>();
    controller->setDelegate(delegate);
    controller->start();
    waitForStatuses(*delegate, 1, 30);
    EXPECT_EQ(delegate->statuses.size(), 1u);
    return delegate->statuses.empty() ? -1 : delegate->statuses.front();
  }

  std::shared_ptr<qor::QORWebSocketChannel> channel_;
};

// The same road over each channel: the stack's adapter, and the URL session's WebSocket task.
class ChannelRoadTest : public RoadTest, public ::testing::WithParamInterface<bool> {
 protected:
  void installChannel(const std::string& url, double timeout = 60) { RoadTest::installChannel(url, timeout, GetParam()); }
};

TEST_F(RoadTest, AnActionListRunsEndToEndOverWebSocket) {
  // No road installed: the process's channel, made now for the stored URL and headers.
  EXPECT_EQ(run(3), 1);
  EXPECT_EQ(run(2), 1);
  auto records = server_->requests();
  ASSERT_EQ(records.size(), 5u);
  for (const auto& record : records) {
    EXPECT_TRUE(overWebSocket(record)) << record.dump();
    EXPECT_TRUE(record.value("accepted", false)) << record.dump();
    EXPECT_EQ(record["header"]["type"], kCoreTestActionType);
    bool tenant = false;
    for (const auto& field : record["headers"]) tenant = tenant || (field[0] == "X-Tenant" && field[1] == "t1");
    EXPECT_TRUE(tenant) << record["headers"].dump();
  }
  // The first action of each run reconnects; the others reuse its connection.
  EXPECT_EQ(records[0]["connection"], records[2]["connection"]);
  EXPECT_EQ(records[3]["connection"], records[4]["connection"]);
  EXPECT_NE(records[0]["connection"], records[3]["connection"]);
  EXPECT_FALSE(qor::QORNetworkingUtils::hasWebsocketError());
}

TEST_P(ChannelRoadTest, AnswersWhoseStatusIsOkStayOnWebSocket) {
  const Json cases[] = {Json::object(), {{"answerSet", {{"status", {{"code", 0}, {"message", "OK"}}}}}}};
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.dump());
    server_->reset();
    installChannel(server_->webSocketURL());
    server_->script(Json::array({entry}));
    EXPECT_EQ(run(1), 1);
    auto records = server_->requests();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(overWebSocket(records[0]));
    EXPECT_FALSE(qor::QORNetworkingUtils::hasWebsocketError());
  }
}

TEST_P(ChannelRoadTest, AFailedExchangeSendsTheIdenticalRequestOverHttpsAndWebSocketStaysOff) {
  struct Case {
    const char* name;
    Json entry;
    double timeout;
  };
  const Case cases[] = {
      {"status message other than ok", {{"answerSet", {{"status", {{"code", 0}, {"message", "ok "}}}}}}, 60},
      {"an answer that is not JSON", {{"raw", "not json"}}, 60},
      {"the server closes", {{"wsClose", Json::array({1011, "internal error"})}}, 60},
      {"the connection drops", {{"drop", true}}, 60},
      {"no answer within the timeout", {{"delay", 3}}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_->reset();
    qor::internal::websocketFailureFlag() = false;
    installChannel(server_->webSocketURL(), c.timeout);
    server_->script(Json::array({c.entry}));
    EXPECT_EQ(run(1), 1);
    auto records = server_->requests();
    ASSERT_EQ(records.size(), 2u) << records.dump();
    EXPECT_TRUE(overWebSocket(records[0]));
    EXPECT_FALSE(overWebSocket(records[1]));
    for (const char* member : {"installationId", "header", "body"}) EXPECT_EQ(records[0][member], records[1][member]);
    EXPECT_TRUE(qor::QORNetworkingUtils::hasWebsocketError());

    // Later requests go over HTTPS at once, though the channel could connect.
    EXPECT_EQ(run(1), 1);
    records = server_->requests();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_FALSE(overWebSocket(records[2]));
  }
}

TEST_P(ChannelRoadTest, HostileOrAbsentWebSocketServersFallBackToHttps) {
  enginetest::PeerServer hostile(enginetest::PeerServer::Kind::hostile);
  ASSERT_TRUE(hostile.running());
  struct Case {
    std::string url;
    double timeout;
  };
  const Case cases[] = {
      {hostile.url("/silent"), 1},
      {hostile.url("/refused-403"), 60},
      {hostile.url("/wrong-accept"), 60},
      {hostile.url("/masked-frame?after=request"), 60},
      {hostile.url("/drop-mid-frame?after=request"), 60},
      {"ws://127.0.0.1:" + std::to_string(unusedLoopbackPort()) + "/ws", 60},
      {"not a url", 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    server_->reset();
    qor::internal::websocketFailureFlag() = false;
    installChannel(c.url, c.timeout);
    EXPECT_EQ(run(1), 1);
    auto records = server_->requests();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_FALSE(overWebSocket(records[0]));
    EXPECT_TRUE(qor::QORNetworkingUtils::hasWebsocketError());
  }
}

INSTANTIATE_TEST_SUITE_P(Channels, ChannelRoadTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& testInfo) { return testInfo.param ? "native" : "crossVersion"; });

}  // namespace
}  // namespace qortest
