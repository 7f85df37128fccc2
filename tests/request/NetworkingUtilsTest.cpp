// How the networking utilities build requests, judge answers and choose the road, without a
// server: judging and error making are pure, and the road choice is seen through a fake road.
#include <gtest/gtest.h>

#include "common/storage/QORCommonData.h"
#include "common/transport/QORError.h"
#include "common/transport/QORNetworkingUtils.h"
#include "platform/Queue.h"
#include "platform/http/URLError.h"
#include "platform/keychain/Keychain.h"
#include "tests/http/support/RefServer.h"

namespace {

using platform::Json;
using platform::OptBytes;
using qor::QORNetworkingUtils;

OptBytes bytes(const std::string& text) { return platform::bytesFromString(text); }

struct Judged {
  int calls = 0;
  OptBytes data;
  std::optional<platform::Error> error;
};

Judged judge(const OptBytes& data, const std::optional<platform::Error>& error, int64_t status) {
  Judged judged;
  QORNetworkingUtils::finishDataTaskWithData(data, error, status, [&](OptBytes d, std::optional<platform::Error> e) {
    ++judged.calls;
    judged.data = std::move(d);
    judged.error = std::move(e);
  });
  return judged;
}

TEST(NetworkingUtilsTest, JudgesAnswersByHTTPStatus) {
  const std::string answer = R"({"dataEncryptedResponse":"x"})";
  struct Case {
    const char* name;
    OptBytes data;
    std::optional<platform::Error> transportError;
    int64_t status;
    std::optional<int64_t> errorCode;  // nullopt: handed on as an answer
    std::optional<std::string> description;
  };
  const Case cases[] = {
      {"200", bytes(answer), std::nullopt, 200, std::nullopt, std::nullopt},
      {"101 (WebSocket)", bytes(answer), std::nullopt, 101, std::nullopt, std::nullopt},
      {"400 without error", bytes(answer), std::nullopt, 400, std::nullopt, std::nullopt},
      {"400 with error", bytes(R"({"error":{"code":3,"message":"bad"}})"), std::nullopt, 400, 1003, "bad"},
      {"400 with error null", bytes(R"({"error":null})"), std::nullopt, 400, 1000, std::nullopt},
      {"500 with code and message", bytes(R"({"error":{"code":5,"message":"down"}})"), std::nullopt, 500, 1005, "down"},
      {"500 with code as text", bytes(R"({"error":{"code":"-1009"}})"), std::nullopt, 500, -9, std::nullopt},
      {"500 with a message that is not text", bytes(R"({"error":{"code":5,"message":7}})"), std::nullopt, 500, 1005, std::nullopt},
      {"500 with an error that is not an object", bytes(R"({"error":"down"})"), std::nullopt, 500, 1000, std::nullopt},
      {"500 with a code past the integer range", bytes(R"({"error":{"code":9223372036854775807}})"), std::nullopt, 500,
       INT64_MAX, std::nullopt},
      {"502 without a body", std::nullopt, std::nullopt, 502, 1000, std::nullopt},
      {"201 is not an answer", bytes(answer), std::nullopt, 201, 1000, std::nullopt},
      {"no HTTP answer, timed out", std::nullopt, platform::urlError(platform::kURLErrorTimedOut), 0, -1,
       platform::urlErrorDescription(platform::kURLErrorTimedOut)},
      {"no HTTP answer, offline", std::nullopt, platform::urlError(platform::kURLErrorNotConnectedToInternet), 0,
       qor::DefaultInternetConnectionErrorCode, platform::urlErrorDescription(platform::kURLErrorNotConnectedToInternet)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Judged judged = judge(c.data, c.transportError, c.status);
    EXPECT_EQ(judged.calls, 1);
    EXPECT_EQ(judged.data, c.data);
    ASSERT_EQ(judged.error.has_value(), c.errorCode.has_value());
    if (!judged.error) continue;
    EXPECT_EQ(judged.error->domain, "QORErrorDomain");
    EXPECT_EQ(judged.error->code, *c.errorCode);
    auto description = platform::stringMember(judged.error->userInfo, platform::kLocalizedDescriptionKey);
    EXPECT_EQ(description, c.description);
    auto underlying = qor::QORError::underlyingError(*judged.error);
    EXPECT_EQ(underlying, c.transportError);
  }
}

TEST(NetworkingUtilsTest, ErrorsCarryAtMostTheirTwoEntries) {
  EXPECT_EQ(qor::QORError::error(), platform::Error::make("QORErrorDomain", 1000));
  EXPECT_TRUE(qor::QORError::errorWithCode(1003, std::nullopt, std::nullopt).userInfo.empty());
  auto full = qor::QORError::errorWithCode(999, platform::urlError(-1001), std::string("timed out"));
  EXPECT_EQ(full.userInfo.size(), 2u);
  EXPECT_EQ(full.localizedDescription(), "timed out");
}

TEST(NetworkingUtilsTest, PlainErrorIsAnObjectWithAnErrorMember) {
  const std::pair<OptBytes, bool> cases[] = {
      {bytes(R"({"error":{}})"), true}, {bytes(R"({"error":null})"), true}, {bytes(R"({"errors":1})"), false},
      {bytes(R"([{"error":1}])"), false}, {bytes("error"), false}, {std::nullopt, false},
  };
  for (const auto& [data, expected] : cases) {
    SCOPED_TRACE(data ? platform::stringFromBytes(*data) : "nil");
    EXPECT_EQ(QORNetworkingUtils::isPlainODataError(data), expected);
  }
}

TEST(NetworkingUtilsTest, BuildsTheRequestFromHostPathHeadersAndBody) {
  auto url = [](const char* host) { return platform::URL::withHostAndPath(std::string(host), "/vtn-service/rest/actions"); };
  EXPECT_EQ(url("https://bank.example")->absoluteString(), "https://bank.example/vtn-service/rest/actions");
  EXPECT_EQ(url("https://bank.example/")->absoluteString(), "https://bank.example//vtn-service/rest/actions");
  EXPECT_FALSE(QORNetworkingUtils::createRequestWithURL(std::nullopt, "POST", bytes("{}"), Json::object()));

  auto request = QORNetworkingUtils::createRequestWithURL(
      url("https://bank.example"), "PUT", bytes("{}"),
      Json{{"Content-Type", "text/plain"}, {"X-Tenant", "t1"}, {"X-Number", 5}});
  ASSERT_TRUE(request);
  EXPECT_EQ(request->httpMethod(), "PUT");
  EXPECT_EQ(request->httpBody(), bytes("{}"));
  EXPECT_EQ(request->value("content-type"), "application/json,text/plain");
  EXPECT_EQ(request->value("X-Tenant"), "t1");
  EXPECT_FALSE(request->value("X-Number"));  // not text
  EXPECT_EQ(request->timeoutInterval(), 60.0);
}

class FakeRoad : public qor::QORWebSocketRoad {
 public:
  void useWebSocket(const platform::URLRequest&, bool shouldReconnect, qor::QORNetworkingCompletion completion) override {
    reconnects.push_back(shouldReconnect);
    completion(platform::bytesFromString("{}"), std::nullopt);
  }
  std::vector<bool> reconnects;
};

TEST(NetworkingUtilsTest, ChoosesWebSocketOnlyWhenStoredAskedAndNotFailed) {
  platform::Keychain::setShared(platform::Keychain::inMemory());
  auto road = std::make_shared<FakeRoad>();
  QORNetworkingUtils::setWebSocketRoad(road);
  // Nothing listens there: HTTPS fails fast.
  auto request = platform::URLRequest(
      platform::URL::parse("https://127.0.0.1:" + std::to_string(qortest::unusedLoopbackPort()) + "/"));
  int httpsAnswers = 0;
  auto send = [&](bool ask, bool reconnect) {
    bool answered = false;
    QORNetworkingUtils::runDataTaskWithURLRequest(request, ask, reconnect, [&](OptBytes, std::optional<platform::Error> error) {
      answered = true;
      if (error) ++httpsAnswers;
    });
    platform::MainQueue::shared()->runUntil([&] { return answered; }, platform::seconds(10));
  };

  send(true, true);  // no WebSocket URL stored
  EXPECT_TRUE(road->reconnects.empty());
  EXPECT_FALSE(QORNetworkingUtils::hasWebsocketError());

  qor::QORCommonData::setWebSocketHost(std::string("wss://127.0.0.1:9/ws"));
  send(false, false);  // not asked
  EXPECT_TRUE(road->reconnects.empty());
  send(true, true);
  send(true, false);
  EXPECT_EQ(road->reconnects, (std::vector<bool>{true, false}));

  QORNetworkingUtils::setHasWebsocketError();
  send(true, false);  // WebSocket failed before in this process
  EXPECT_EQ(road->reconnects.size(), 2u);
  EXPECT_EQ(httpsAnswers, 3);

  Judged none;
  QORNetworkingUtils::runDataTaskWithURLRequest(std::nullopt, true, true, [&](OptBytes, std::optional<platform::Error> e) {
    ++none.calls;
    none.error = e;
  });
  EXPECT_EQ(none.calls, 1);  // at once
  EXPECT_EQ(none.error, qor::QORError::error());
  QORNetworkingUtils::setWebSocketRoad(nullptr);
}

}  // namespace
