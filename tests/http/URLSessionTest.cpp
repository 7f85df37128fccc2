// The URL session against the reference server's echo endpoint over TLS on loopback: what reaches
// the wire, connection reuse, time-outs, certificate checks and the URL error codes.
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <time.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/Base64.h"
#include "platform/Json.h"
#include "platform/http/HTTPFieldName.h"
#include "platform/http/URLError.h"
#include "platform/http/URLSession.h"
#include "tests/http/support/RefServer.h"

namespace {

using platform::Bytes;
using platform::Json;
using platform::OptBytes;
using platform::URL;
using platform::URLRequest;
using platform::URLSession;

struct Outcome {
  OptBytes data;
  std::optional<platform::HTTPURLResponse> response;
  std::optional<platform::Error> error;
  std::thread::id thread;
  int calls = 0;

  Json json() const { return data ? Json::parse(data->begin(), data->end(), nullptr, false) : Json(); }
  int64_t errorCode() const { return error ? error->code : 0; }
};

// Runs one data task and waits for its completion (and a little longer, to see a second call).
Outcome run(URLSession& session, URLRequest request, std::chrono::seconds limit = std::chrono::seconds(30)) {
  std::mutex mutex;
  std::condition_variable cv;
  Outcome outcome;
  auto task = session.dataTask(std::move(request), [&](OptBytes data, auto response, auto error) {
    std::lock_guard lock(mutex);
    outcome.data = std::move(data);
    outcome.response = std::move(response);
    outcome.error = std::move(error);
    outcome.thread = std::this_thread::get_id();
    ++outcome.calls;
    cv.notify_all();
  });
  task->resume();
  task->resume();  // a second resume must not send the request again
  std::unique_lock lock(mutex);
  cv.wait_for(lock, limit, [&] { return outcome.calls > 0; });
  cv.wait_for(lock, std::chrono::milliseconds(50), [&] { return outcome.calls > 1; });
  return outcome;
}

URLRequest requestFor(const std::string& url) { return URLRequest(URL::parse(url)); }

class URLSessionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new qortest::RefServer(); }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(server_->running());
    session_ = URLSession::create();
    ASSERT_TRUE(session_->addTrustAnchorCertificates(server_->caPath()));
  }
  std::string echo(const std::string& query = "") { return server_->host() + "/test/echo" + query; }

  static qortest::RefServer* server_;
  std::shared_ptr<URLSession> session_;
};
qortest::RefServer* URLSessionTest::server_ = nullptr;

// The header fields the server saw with that name (case-insensitive), in order.
std::vector<std::string> fieldsNamed(const Json& echo, const std::string& name) {
  std::vector<std::string> values;
  for (const auto& field : echo["headers"]) {
    if (platform::fieldNamesEqual(field[0].get<std::string>(), name)) values.push_back(field[1]);
  }
  return values;
}

TEST_F(URLSessionTest, SendsMethodHeadersAndBodyAsSet) {
  struct Case {
    std::string method;
    OptBytes body;
  };
  // In this order on one session, each task gets the handle of the one before: nothing of an
  // earlier method or body may stay with it.
  const Case cases[] = {
      {"GET", std::nullopt},
      {"POST", platform::bytesFromString(R"({"a":1})")},
      {"GET", std::nullopt},
      {"POST", Bytes{}},
      {"PUT", platform::bytesFromString("put body")},
      {"DELETE", std::nullopt},
      {"GET", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.method + (c.body ? " with " + std::to_string(c.body->size()) + " bytes" : " without body"));
    URLRequest request = requestFor(echo());
    request.setHTTPMethod(c.method);
    request.addValue("application/json", "Content-Type");
    request.addValue("text/plain", "content-type");  // one field, comma-joined
    request.addValue("first", "X-Order-A");
    request.addValue("second", "X-Order-B");
    request.setHTTPBody(c.body);
    Outcome outcome = run(*session_, request);
    ASSERT_FALSE(outcome.error) << outcome.error->localizedDescription();
    ASSERT_TRUE(outcome.response);
    EXPECT_EQ(outcome.response->statusCode, 200);
    EXPECT_EQ(outcome.calls, 1);
    Json seen = outcome.json();
    EXPECT_EQ(seen["method"], c.method);
    EXPECT_EQ(fieldsNamed(seen, "Content-Type"), std::vector<std::string>{"application/json,text/plain"});
    EXPECT_EQ(fieldsNamed(seen, "Expect"), std::vector<std::string>{});
    auto body = platform::base64Decode(seen["body"].get<std::string>());
    ASSERT_TRUE(body);
    EXPECT_EQ(*body, c.body.value_or(Bytes{}));
    // The fields keep the order in which they were added.
    std::vector<std::string> order;
    for (const auto& field : seen["headers"]) {
      std::string name = field[0];
      if (name.starts_with("X-Order")) order.push_back(name);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"X-Order-A", "X-Order-B"}));
  }
}

TEST_F(URLSessionTest, FramesTheBodyItselfWhateverFieldsTheCallerAdds) {
  const std::pair<const char*, const char*> fields[] = {
      {"Content-Length", "3"},
      {"content-length", "100000"},
      {"Transfer-Encoding", "chunked"},
  };
  const Bytes body = platform::bytesFromString(R"({"sealed":"body"})");
  for (const auto& [name, value] : fields) {
    SCOPED_TRACE(std::string(name) + ": " + value);
    URLRequest request = requestFor(echo());
    request.setHTTPMethod("POST");
    request.addValue(value, name);
    request.setHTTPBody(body);
    Outcome outcome = run(*session_, request, std::chrono::seconds(5));
    ASSERT_FALSE(outcome.error) << outcome.error->localizedDescription();
    Json seen = outcome.json();
    EXPECT_EQ(fieldsNamed(seen, "Content-Length"), std::vector<std::string>{std::to_string(body.size())});
    EXPECT_TRUE(fieldsNamed(seen, "Transfer-Encoding").empty());
    EXPECT_EQ(platform::base64Decode(seen["body"].get<std::string>()), OptBytes(body));
  }
}

TEST_F(URLSessionTest, ReplacingAllFieldsDropsTheEarlierOnes) {
  URLRequest request = requestFor(echo());
  request.addValue("old", "X-Old");
  request.setAllHTTPHeaderFields({{"X-New", "1"}, {"x-new", "2"}});
  Json seen = run(*session_, request).json();
  EXPECT_TRUE(fieldsNamed(seen, "X-Old").empty());
  EXPECT_EQ(fieldsNamed(seen, "X-New"), std::vector<std::string>{"2"});
}

TEST_F(URLSessionTest, HandsOnEveryHTTPStatusWithItsBodyAndNoError) {
  for (int status : {201, 400, 404, 500}) {
    SCOPED_TRACE(status);
    Outcome outcome = run(*session_, requestFor(echo("?status=" + std::to_string(status))));
    EXPECT_FALSE(outcome.error);
    ASSERT_TRUE(outcome.response);
    EXPECT_EQ(outcome.response->statusCode, status);
    EXPECT_EQ(outcome.json()["method"], "GET");
    EXPECT_EQ(outcome.response->valueForHTTPHeaderField("content-type"), "application/json");
  }
}

TEST_F(URLSessionTest, ReusesTheConnectionForLaterTasks) {
  std::vector<int> connections;
  for (int i = 0; i < 3; ++i) connections.push_back(run(*session_, requestFor(echo())).json()["connection"]);
  EXPECT_EQ(connections[0], connections[1]);
  EXPECT_EQ(connections[1], connections[2]);

  // Another session has its own connections.
  auto other = URLSession::create();
  other->addTrustAnchorCertificates(server_->caPath());
  EXPECT_NE(run(*other, requestFor(echo())).json()["connection"], connections[0]);
}

TEST_F(URLSessionTest, CompletesOnTheSessionThreadOnce) {
  Outcome outcome = run(*session_, requestFor(echo()));
  EXPECT_EQ(outcome.calls, 1);
  EXPECT_NE(outcome.thread, std::this_thread::get_id());
  EXPECT_NE(outcome.thread, std::thread::id());
}

TEST_F(URLSessionTest, TimeOutIsAnIdleTimeNotATotal) {
  session_->setTimeoutIntervalForRequest(2.0);  // room for a slow TLS handshake under the sanitizers
  auto started = std::chrono::steady_clock::now();
  Outcome stalled = run(*session_, requestFor(echo("?delay=8")));
  EXPECT_EQ(stalled.errorCode(), platform::kURLErrorTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(6000));
  EXPECT_FALSE(stalled.data);
  EXPECT_FALSE(stalled.response);

  // Six seconds in all, but bytes keep coming every 0.6 s: no time-out. The longer idle time leaves
  // room for a connect and handshake that a loaded machine under the sanitizers slows down.
  session_->setTimeoutIntervalForRequest(4.0);
  Outcome slow = run(*session_, requestFor(echo("?trickle=6&size=2000")));
  EXPECT_FALSE(slow.error) << slow.error->localizedDescription();
  EXPECT_EQ(slow.json()["method"], "GET");

  // A request's own shorter time-out wins over the session's.
  session_->setTimeoutIntervalForRequest(60.0);
  URLRequest own = requestFor(echo("?delay=8"));
  own.setTimeoutInterval(2.0);
  EXPECT_EQ(run(*session_, own).errorCode(), platform::kURLErrorTimedOut);
}

TEST_F(URLSessionTest, MapsFailuresToURLErrorCodes) {
  struct Case {
    const char* name;
    std::optional<URL> url;
    int64_t code;
  };
  const std::string refused = "https://127.0.0.1:" + std::to_string(qortest::unusedLoopbackPort()) + "/";
  const Case cases[] = {
      {"refused port", URL::parse(refused), platform::kURLErrorCannotConnectToHost},
      {"unknown host", URL::parse("https://no-such-host.invalid/"), platform::kURLErrorCannotFindHost},
      {"no URL", std::nullopt, platform::kURLErrorBadURL},
      {"unsupported scheme", URL::parse("ftp://127.0.0.1/file"), platform::kURLErrorUnsupportedURL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome outcome = run(*session_, URLRequest(c.url));
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->domain, platform::kURLErrorDomain);
    EXPECT_EQ(outcome.error->code, c.code);
    EXPECT_FALSE(outcome.error->localizedDescription().empty());
    EXPECT_FALSE(outcome.response);
    EXPECT_EQ(outcome.calls, 1);
  }
}

// A server must not downgrade the session from TLS to plain text by a redirect.
TEST_F(URLSessionTest, FollowsRedirectsToHttpsOnly) {
  const std::string plain = "http://127.0.0.1:" + std::to_string(server_->port()) + "/test/echo";
  Outcome followed = run(*session_, requestFor(echo("?status=302&location=" + echo() + "?size=1")));
  ASSERT_TRUE(followed.response) << followed.errorCode();
  EXPECT_EQ(followed.response->statusCode, 200);
  EXPECT_EQ(followed.json()["path"], "/test/echo?size=1");
  Outcome refused = run(*session_, requestFor(echo("?status=302&location=" + plain)));
  EXPECT_EQ(refused.errorCode(), platform::kURLErrorUnsupportedURL) << "the redirect is not followed";
  EXPECT_FALSE(refused.response);
}

double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

TEST_F(URLSessionTest, AFailingMultiInterfaceEndsTheTasksInFlightWithoutSpinning) {
  std::mutex mutex;
  std::condition_variable cv;
  std::vector<int64_t> codes;
  auto inFlight = session_->dataTask(requestFor(echo("?delay=3")), [&](OptBytes, auto, std::optional<platform::Error> error) {
    std::lock_guard lock(mutex);
    codes.push_back(error ? error->code : 0);
    cv.notify_all();
  });
  inFlight->resume();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const auto failedAt = std::chrono::steady_clock::now();
  session_->failMultiCallsForTesting(CURLM_INTERNAL_ERROR);
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(10), [&] { return !codes.empty(); }));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - failedAt, std::chrono::seconds(2)) << "before the server's answer";
  EXPECT_EQ(codes, std::vector<int64_t>{platform::kURLErrorUnknown});

  // Tasks started while the failure lasts end at once, and the loop waits instead of spinning.
  Outcome later = run(*session_, requestFor(echo()), std::chrono::seconds(5));
  ASSERT_TRUE(later.error);
  EXPECT_EQ(later.error->code, platform::kURLErrorUnknown);
  EXPECT_FALSE(later.error->localizedDescription().empty());
  const double cpuBefore = processCpuSeconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_LT(processCpuSeconds() - cpuBefore, 0.3) << "the session thread spins";

  session_->failMultiCallsForTesting(CURLM_OK);
  Outcome recovered = run(*session_, requestFor(echo()));
  ASSERT_TRUE(recovered.response) << recovered.errorCode();
  EXPECT_EQ(recovered.response->statusCode, 200);
}

TEST_F(URLSessionTest, RefusesServersItDoesNotTrust) {
  // The system's store does not know the test CA.
  auto plain = URLSession::create();
  EXPECT_EQ(run(*plain, requestFor(echo())).errorCode(), platform::kURLErrorServerCertificateUntrusted);

  // A trusted CA, but a certificate for another name.
  qortest::RefServer elsewhere({"other.example"});
  ASSERT_TRUE(elsewhere.running());
  auto session = URLSession::create();
  ASSERT_TRUE(session->addTrustAnchorCertificates(elsewhere.caPath()));
  EXPECT_EQ(run(*session, requestFor(elsewhere.host() + "/test/echo")).errorCode(),
            platform::kURLErrorServerCertificateUntrusted);

  EXPECT_FALSE(session->addTrustAnchorCertificates("/nonexistent/ca.pem"));
}

// The session's connections share one parsed CA store: each new connection must still trust the
// session's anchors and nothing more.
TEST_F(URLSessionTest, EveryNewConnectionChecksTheServerAgainstTheSameTrust) {
  qortest::RefServer untrusted;
  ASSERT_TRUE(untrusted.running());
  auto closing = [](const std::string& url) {
    URLRequest request = requestFor(url);
    request.setValue("close", "Connection");
    return request;
  };
  std::vector<int> connections;
  for (const bool trusted : {true, false, true, false, true}) {
    SCOPED_TRACE(trusted ? "trusted" : "untrusted");
    if (!trusted) {
      EXPECT_EQ(run(*session_, closing(untrusted.host() + "/test/echo")).errorCode(),
                platform::kURLErrorServerCertificateUntrusted);
      continue;
    }
    const Outcome outcome = run(*session_, closing(echo()));
    ASSERT_EQ(outcome.errorCode(), 0);
    connections.push_back(outcome.json()["connection"]);
  }
  EXPECT_NE(connections[0], connections[1]);
  EXPECT_NE(connections[1], connections[2]);

  // An anchor added after the first connections holds for the next one.
  ASSERT_TRUE(session_->addTrustAnchorCertificates(untrusted.caPath()));
  EXPECT_EQ(run(*session_, closing(untrusted.host() + "/test/echo")).errorCode(), 0);
  EXPECT_EQ(run(*session_, closing(echo())).errorCode(), 0);
}

TEST_F(URLSessionTest, CancelEndsATaskOnceWithCancelled) {
  std::mutex mutex;
  std::condition_variable cv;
  std::vector<int64_t> codes;
  auto record = [&](OptBytes, auto, std::optional<platform::Error> error) {
    std::lock_guard lock(mutex);
    codes.push_back(error ? error->code : 0);
    cv.notify_all();
  };
  auto inFlight = session_->dataTask(requestFor(echo("?delay=3")), record);
  inFlight->resume();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  inFlight->cancel();
  inFlight->cancel();
  auto neverResumed = session_->dataTask(requestFor(echo()), record);
  neverResumed->cancel();
  std::unique_lock lock(mutex);
  cv.wait_for(lock, std::chrono::seconds(10), [&] { return codes.size() >= 2; });
  cv.wait_for(lock, std::chrono::milliseconds(100), [&] { return codes.size() > 2; });
  EXPECT_EQ(codes, (std::vector<int64_t>{platform::kURLErrorCancelled, platform::kURLErrorCancelled}));
}

TEST_F(URLSessionTest, DroppingASessionCancelsItsTasks) {
  std::mutex mutex;
  std::condition_variable cv;
  std::optional<int64_t> code;
  {
    auto session = URLSession::create();
    session->addTrustAnchorCertificates(server_->caPath());
    session->dataTask(requestFor(echo("?delay=3")), [&](OptBytes, auto, std::optional<platform::Error> error) {
      std::lock_guard lock(mutex);
      code = error ? error->code : 0;
      cv.notify_all();
    })->resume();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  std::unique_lock lock(mutex);
  cv.wait_for(lock, std::chrono::seconds(5), [&] { return code.has_value(); });
  EXPECT_EQ(code, platform::kURLErrorCancelled);
}

}  // namespace
