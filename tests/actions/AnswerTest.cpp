// One action against the reference server, told per case how to answer: which answers are
// accepted, how HTTP statuses, error objects and transport failures map to statuses, and what
// happens when the request cannot be built.
#include <gtest/gtest.h>

#include "common/request/QORBaseResponse.h"
#include "platform/http/URLSession.h"
#include "tests/actions/ActionsTestSupport.h"

namespace qortest {
namespace {

using platform::Json;

struct Outcome {
  std::vector<qor::QORStatus> statuses;
  std::vector<bool> onMainQueue;
  std::shared_ptr<TestController> controller;
  bool reportedInsideStart = false;
};

class AnswerTest : public ActionsTest {
 protected:
  // `scriptEntry`: one entry, or a list of entries for the request and its retries.
  Outcome runOne(const Json& scriptEntry, double seconds = 20) {
    if (scriptEntry.is_array()) {
      server_->script(scriptEntry);
    } else if (!scriptEntry.empty()) {
      server_->script(Json::array({scriptEntry}));
    }
    Outcome run;
    run.controller = TestController::create();
    auto delegate = std::make_shared<RecordingDelegate>();
    run.controller->setDelegate(delegate);
    run.controller->start();
    run.reportedInsideStart = !delegate->statuses.empty();
    waitForStatuses(*delegate, 1, seconds);
    run.statuses = delegate->statuses;
    run.onMainQueue = delegate->onMainQueue;
    return run;
  }
  // One case of a table: a fresh server log, one run, one status on the main queue.
  struct AnswerCase {
    const char* name;
    Json entry;
    qor::QORStatus expected;
  };
  Outcome checkAnswer(const AnswerCase& c) {
    server_->reset();
    Outcome run = runOne(c.entry);
    EXPECT_EQ(run.statuses, std::vector<qor::QORStatus>{c.expected});
    EXPECT_EQ(run.onMainQueue, std::vector<bool>{true});
    return run;
  }
  // Starts the action by itself in a run of a controller that lists it; the statuses it reported.
  std::vector<qor::QORStatus> runAlone(const std::shared_ptr<TestAction>& action) {
    auto controller = TestController::create();
    auto delegate = std::make_shared<RecordingDelegate>();
    controller->setDelegate(delegate);
    action->setDelegate(controller);
    action->setDataSource(controller);
    controller->setNonce(platform::bytesFromString("0123456789abcdef"));
    controller->setActions({action});
    controller->setStarted(true);
    action->start();
    waitForStatuses(*delegate, 1);
    return delegate->statuses;
  }
  std::shared_ptr<TestAction> onlyAction(const Outcome& run) {
    return std::dynamic_pointer_cast<TestAction>(run.controller->actions().at(0));
  }
};

TEST_F(AnswerTest, AcceptsOnlyGoodAnswers) {
  const std::string zeros = "AAAAAAAAAAAAAAAAAAAAAA==";  // 16 zero bytes: not the run's nonce
  const AnswerCase cases[] = {
      {"good answer", Json::object(), qor::QORStatusSuccess},
      {"code as text \"0\"", {{"answerSet", {{"status", {{"code", "0"}}}}}}, qor::QORStatusSuccess},
      {"code 5", {{"answerSet", {{"status", {{"code", 5}}}}}}, qor::QORStatusUndefined},
      {"code as text \"5\"", {{"answerSet", {{"status", {{"code", "5"}}}}}}, qor::QORStatusUndefined},
      {"status without code", {{"answerSet", {{"status", {{"message", "ok"}}}}}}, qor::QORStatusUndefined},
      {"status not an object",
       {{"answerSet", {{"status", "ok"}}}, {"bodySet", {{"status", {{"code", 0}}}}}},
       qor::QORStatusUndefined},
      {"status only inside the body",
       {{"answerRemove", {"status"}}, {"bodySet", {{"status", {{"code", 0}}}}}},
       qor::QORStatusSuccess},
      {"no status anywhere", {{"answerRemove", {"status"}}}, qor::QORStatusUndefined},
      {"outer status wins over a bad inner one", {{"bodySet", {{"status", {{"code", 5}}}}}}, qor::QORStatusSuccess},
      {"outer bad status wins over a good inner one",
       {{"answerSet", {{"status", {{"code", 7}}}}}, {"bodySet", {{"status", {{"code", 0}}}}}},
       qor::QORStatusUndefined},
      {"nonce missing", {{"bodyRemove", {"nonceQOR"}}}, qor::QORStatusUndefined},
      {"nonce wrong", {{"bodySet", {{"nonceQOR", zeros}}}}, qor::QORStatusUndefined},
      {"nonce not text", {{"bodySet", {{"nonceQOR", 16}}}}, qor::QORStatusUndefined},
      {"body under another key", {{"seal", "wrongKey"}}, qor::QORStatusUndefined},
      {"body under another IV", {{"seal", "wrongIv"}}, qor::QORStatusUndefined},
      {"body with a flipped bit", {{"seal", "flip"}}, qor::QORStatusUndefined},
      {"body not a JSON object", {{"seal", "notObject"}}, qor::QORStatusUndefined},
      {"sealed body missing", {{"answerRemove", {"dataEncryptedResponse"}}}, qor::QORStatusUndefined},
      {"sealed body not text", {{"answerSet", {{"dataEncryptedResponse", 12}}}}, qor::QORStatusUndefined},
      {"no signature", {{"answerRemove", {"signatureVTN"}}}, qor::QORStatusSuccess},
      {"signature not text", {{"answerSet", {{"signatureVTN", Json::array()}}}}, qor::QORStatusSuccess},
      {"answer not JSON", {{"raw", "<html>garbage</html>"}}, qor::QORStatusUndefined},
      {"answer a JSON array", {{"json", Json::array({1, 2})}}, qor::QORStatusUndefined},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome run = checkAnswer(c);
    auto action = onlyAction(run);
    // Only an accepted answer becomes the action's response.
    EXPECT_EQ(action->response() != nullptr, c.expected == 1);
    EXPECT_EQ(action->received.size(), c.expected == 1 ? 1u : 0u);
    EXPECT_EQ(server_->requests().size(), 1u);
  }
}

TEST_F(AnswerTest, MapsHTTPStatusesAndErrorObjects) {
  auto error = [](Json code) { return Json{{"error", {{"code", code}, {"message", "refused"}}}}; };
  const AnswerCase cases[] = {
      // 1000 + 5 = 1005: not in the error table.
      {"500 with an error object", {{"httpStatus", 500}, {"json", error(5)}}, qor::QORStatusUndefined},
      // 1000 - 983 = 17 -> 44; 1000 - 1009 = -9 -> 20; 1000 - 1001 = -1 -> 60.
      {"500 with code -983", {{"httpStatus", 500}, {"json", error(-983)}}, qor::QORStatusInternalCommonError},
      {"503 with code -1009 as text",
       {{"httpStatus", 503}, {"json", error("-1009")}},
       qor::QORStatusNoInternetConnection},
      {"400 with an error object", {{"httpStatus", 400}, {"json", error(-1001)}}, qor::QORStatusHasActiveSession},
      {"400 with error null", {{"httpStatus", 400}, {"json", {{"error", nullptr}}}}, qor::QORStatusUndefined},
      {"500 with an error that is not an object",
       {{"httpStatus", 500}, {"json", {{"error", "x"}}}},
       qor::QORStatusUndefined},
      {"500 with a huge code", {{"httpStatus", 500}, {"json", error(INT64_MAX)}}, qor::QORStatusUndefined},
      {"404 without a body", {{"httpStatus", 404}, {"raw", ""}}, qor::QORStatusUndefined},
      // A 400 answer without "error" is handled as an answer.
      {"400 carrying a good answer", {{"httpStatus", 400}}, qor::QORStatusSuccess},
      {"400 carrying a bad answer",
       {{"httpStatus", 400}, {"json", {{"status", {{"code", 0}}}}}},
       qor::QORStatusUndefined},
      // Twice: libcurl sends again once when a reused connection answers nothing.
      {"connection dropped", Json::array({{{"drop", true}}, {{"drop", true}}}), qor::QORStatusUndefined},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    checkAnswer(c);
  }
}

TEST_F(AnswerTest, TransportFailuresMapToStatuses) {
  // Nothing listens: -1004 becomes -4, which is not in the table.
  qor::QORCommonData::setHost("https://127.0.0.1:" + std::to_string(unusedLoopbackPort()));
  Outcome refused = runOne(Json::object());
  EXPECT_EQ(refused.statuses, std::vector<qor::QORStatus>{qor::QORStatusUndefined});
  EXPECT_EQ(refused.onMainQueue, std::vector<bool>{true});

  // The server stalls past the idle time-out: -1001 becomes -1, which maps to 60.
  qor::QORCommonData::setHost(server_->host());
  platform::URLSession::shared()->setTimeoutIntervalForRequest(1.0);
  Outcome stalled = runOne({{"delay", 3}});
  EXPECT_EQ(stalled.statuses, std::vector<qor::QORStatus>{qor::QORStatusHasActiveSession});
  EXPECT_EQ(stalled.onMainQueue, std::vector<bool>{true});
}

TEST_F(AnswerTest, UnsendableRequestReports0InsideStartWithoutTraffic) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
  };
  const Case cases[] = {
      {"no installation identifier", [] { qor::QORCommonData::setInstallationId(std::nullopt); }},
      {"no server key", [] { qor::QORCommonData::setPubVtnBase64(std::nullopt); }},
      {"server key that is not a key", [] { qor::QORCommonData::setPubVtnBase64(std::string("bm90IGEga2V5")); }},
      {"no host", [] { qor::QORCommonData::setHost(std::nullopt); }},
      {"host that is not a URL", [] { qor::QORCommonData::setHost(std::string("not a url")); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    c.arrange();
    Outcome run = runOne(Json::object(), 1);
    EXPECT_TRUE(run.reportedInsideStart);
    EXPECT_EQ(run.statuses, std::vector<qor::QORStatus>{qor::QORStatusUndefined});
    EXPECT_EQ(server_->requests().size(), 0u);
  }
}

TEST_F(AnswerTest, HeaderWithoutItsDictionaryIsSentAndRefusedByTheServer) {
  // An action without a type: its header has two of three members, so the empty message is sealed.
  auto action = TestAction::create();
  action->type = std::nullopt;
  EXPECT_EQ(runAlone(action), std::vector<qor::QORStatus>{qor::QORStatusUndefined});
  auto requests = server_->requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_FALSE(requests[0]["accepted"]);
}

// The action types and paths are words of the server's protocol: each action goes out on its path
// with its type in the sealed header, where the server opens it.
TEST_F(AnswerTest, ActionTypesAndPathsReachTheServerAsTheyAre) {
  const std::pair<int64_t, const char*> actions[] = {
      {qor::QORClientActionTypePrepareEnrollment, qor::QORClientActionPathEnrollment},
      {qor::QORClientActionTypeCommitEnrollment, qor::QORClientActionPathEnrollment},
      {qor::QORClientActionTypePrepareAuth, qor::QORClientActionPathAuth},
      {qor::QORClientActionTypeCommitAuth, qor::QORClientActionPathAuth},
      {qor::QORClientActionTypeWakeUp, qor::QORClientActionPathAuth},
      {qor::QORClientActionTypeHandshakeStep1, qor::QORClientActionPathAuth},
      {qor::QORClientActionTypeHandshakeStep2, qor::QORClientActionPathAuth},
      {qor::QORClientActionTypeDeviceInfo, qor::QORClientActionPathDeviceInfo},
  };
  for (const auto& [type, path] : actions) {
    SCOPED_TRACE(testing::Message() << "type " << type << " on " << path);
    server_->reset();
    auto action = TestAction::create();
    action->type = type;
    action->path = std::string(path);
    runAlone(action);
    const auto requests = server_->requests();
    ASSERT_EQ(requests.size(), 1u) << "the server has no action envelope on this path";
    EXPECT_EQ(requests[0]["header"]["type"], type);
  }
}

TEST_F(AnswerTest, StoredHeadersTravelWithTheRequest) {
  qor::QORCommonData::setHttpHeaders(Json{{"Content-Type", "text/plain"},
                                          {"X-Tenant", "bank-1"},
                                          {"X-Evil", "a\r\nX-Injected: 1"}});
  Outcome run = runOne(Json::object());
  EXPECT_EQ(run.statuses, std::vector<qor::QORStatus>{qor::QORStatusSuccess});
  auto requests = server_->requests();
  ASSERT_EQ(requests.size(), 1u);
  std::map<std::string, std::string> fields;
  for (const auto& field : requests[0]["headers"]) fields[field[0]] = field[1];
  EXPECT_EQ(fields["Content-Type"], "application/json,text/plain");
  EXPECT_EQ(fields["X-Tenant"], "bank-1");
  EXPECT_EQ(fields.count("X-Injected"), 0u);
  EXPECT_EQ(requests[0]["method"], "POST");
  EXPECT_EQ(requests[0]["path"], "/vtn-service/rest/actions");
}

}  // namespace
}  // namespace qortest
