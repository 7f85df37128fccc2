#include <gtest/gtest.h>

#include <set>

#include "WebSocketTestUtil.h"
#include "common/websocket/http/FoundationHTTPHandler.h"
#include "common/websocket/http/HTTPUpgradeError.h"
#include "common/websocket/http/HTTPWSHeader.h"
#include "common/websocket/http/StringHTTPHandler.h"
#include "common/websocket/http/URLParts.h"
#include "common/websocket/security/FoundationSecurity.h"
#include "platform/Base64.h"
#include "platform/http/HTTPCookieStorage.h"

using namespace wstest;
using platform::URL;
using platform::URLRequest;
using qor::HTTPEvent;
using qor::HTTPUpgradeError;

namespace {

URL url(const std::string& text) { return URL::parse(text).value(); }

TEST(HandshakeKey, IsBase64OfSixteenLowerCaseLetters) {
  std::set<std::string> keys;
  for (int i = 0; i < 200; ++i) {
    const std::string key = qor::HTTPWSHeader::generateWebSocketKey();
    ASSERT_EQ(key.size(), 24u);
    EXPECT_EQ(key.substr(22), "==");
    auto raw = platform::base64Decode(key).value();
    ASSERT_EQ(raw.size(), 16u);
    for (uint8_t c : raw) EXPECT_TRUE(c >= 'a' && c <= 'z') << key;
    keys.insert(key);
  }
  EXPECT_EQ(keys.size(), 200u);
}

TEST(URLParts, TakesHostPortAndTLSFromTheURL) {
  struct Case { std::string url; std::optional<qor::URLParts> parts; };
  const std::vector<Case> table = {
      {"wss://example.com/chat", qor::URLParts{443, "example.com", true}},
      {"ws://example.com/chat", qor::URLParts{80, "example.com", false}},
      {"https://example.com", qor::URLParts{443, "example.com", true}},
      {"http://example.com", qor::URLParts{80, "example.com", false}},
      {"WSS://example.com", qor::URLParts{443, "example.com", true}},
      {"ws://example.com:9001/x", qor::URLParts{9001, "example.com", false}},
      {"wss://[::1]:8443/", qor::URLParts{8443, "::1", true}},
      {"mailto:someone@example.com", std::nullopt},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(qor::getParts(url(c.url)), c.parts);
    EXPECT_EQ(qor::isTLSScheme(url(c.url)), c.parts && c.parts->isTLS);
  }
}

TEST(UpgradeRequest, SetsTheHandshakeFields) {
  struct Case {
    std::string name;
    std::string url;
    std::vector<std::pair<std::string, std::string>> callerFields;
    bool compression;
    std::vector<std::pair<std::string, std::optional<std::string>>> expected;
  };
  const std::string key = "dGhlIHNhbXBsZSBub25jZQ==";
  const std::vector<Case> table = {
      {"secure URL without port", "wss://example.com/chat?x=1", {}, false,
       {{"Origin", "wss://example.com"}, {"Upgrade", "websocket"}, {"Connection", "Upgrade"},
        {"Sec-WebSocket-Version", "13"}, {"Sec-WebSocket-Key", key}, {"Host", "example.com:443"},
        {"Sec-WebSocket-Extensions", std::nullopt}, {"Cookie", std::nullopt}}},
      {"plain URL with port and user", "ws://u:p@example.com:8080/", {}, false,
       {{"Origin", "ws://u:p@example.com:8080"}, {"Host", "example.com:8080"}}},
      {"IPv6 literal", "ws://[::1]:9000/", {}, false, {{"Host", "[::1]:9000"}, {"Origin", "ws://[::1]:9000"}}},
      {"caller's Origin stays, handshake fields win", "ws://example.com/",
       {{"Origin", "https://bank.example"}, {"upgrade", "h2c"}, {"Sec-WebSocket-Key", "mine"}, {"X-App", "1"}}, false,
       {{"Origin", "https://bank.example"}, {"Upgrade", "websocket"}, {"Sec-WebSocket-Key", key}, {"X-App", "1"}}},
      {"caller's Host stays", "ws://example.com/", {{"Host", "front.example"}}, false, {{"Host", "front.example"}}},
      {"deflate offer", "ws://example.com/", {}, true,
       {{"Sec-WebSocket-Extensions", "permessage-deflate; client_max_window_bits; server_max_window_bits=15"}}},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.name);
    URLRequest request(url(c.url));
    for (const auto& [n, v] : c.callerFields) request.setValue(v, n);
    const URLRequest upgrade = qor::HTTPWSHeader::createUpgrade(request, c.compression, key);
    for (const auto& [n, v] : c.expected) EXPECT_EQ(upgrade.value(n), v) << n;
    EXPECT_EQ(request.value("Sec-WebSocket-Key"), c.callerFields.empty() ? std::nullopt : request.value("Sec-WebSocket-Key"));
  }
  URLRequest noURL;
  noURL.setValue("1", "X-App");
  EXPECT_EQ(qor::HTTPWSHeader::createUpgrade(noURL, true, key).allHTTPHeaderFields(), noURL.allHTTPHeaderFields());
}

TEST(UpgradeRequest, CarriesTheStoredCookiesForTheURL) {
  auto store = platform::HTTPCookieStorage::sharedHTTPCookieStorage();
  store->removeAllCookies();
  const URL where = url("wss://api.example.com/ws");
  store->setCookies(platform::HTTPCookie::cookiesFromSetCookieValues({"sid=42; Path=/", "lang=de"}, where));
  store->setCookies(platform::HTTPCookie::cookiesFromSetCookieValues({"other=1"}, url("https://other.example/")));
  auto upgrade = qor::HTTPWSHeader::createUpgrade(URLRequest(where), false, "k");
  EXPECT_EQ(upgrade.value("Cookie"), "sid=42; lang=de");
  store->removeAllCookies();
}

TEST(UpgradeRequest, SerialisesToTheWire) {
  URLRequest request(url("ws://example.com:8080/chat?room=1#frag"));
  request.setValue("example.com:8080", "Host");
  request.setValue("websocket", "Upgrade");
  const std::string expected = "GET /chat?room=1 HTTP/1.1\r\nHost: example.com:8080\r\nUpgrade: websocket\r\n\r\n";
  EXPECT_EQ(platform::stringFromBytes(qor::FoundationHTTPHandler().convert(request)), expected);
  EXPECT_EQ(platform::stringFromBytes(qor::StringHTTPHandler().convert(request)), expected);
  request.setHTTPBody(platform::bytesFromString("body"));
  EXPECT_EQ(platform::stringFromBytes(qor::FoundationHTTPHandler().convert(request)), expected + "body");
  EXPECT_TRUE(qor::FoundationHTTPHandler().convert(URLRequest()).empty());
}

class HTTPRecorder : public qor::HTTPHandlerDelegate {
 public:
  void didReceiveHTTP(const HTTPEvent& event) override { events.push_back(event); }
  std::vector<HTTPEvent> events;
};

const std::string kAnswer =
    "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
    "Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n\r\n";

template <class Handler>
struct AnswerRun {
  explicit AnswerRun(const std::vector<Bytes>& chunks) {
    handler->registerDelegate(recorder);
    bool upgraded = false;
    for (const auto& c : chunks) {
      // As the engine does: once the header was read, every later read goes to the codec.
      if (upgraded) {
        after.insert(after.end(), c.begin(), c.end());
        continue;
      }
      const int64_t offset = handler->parse(c);
      offsets.push_back(offset);
      if (offset >= 0) after.insert(after.end(), c.begin() + offset, c.end());
      upgraded = !recorder->events.empty() && recorder->events.back().template as<HTTPEvent::Success>();
    }
  }
  std::shared_ptr<Handler> handler = Handler::create();
  std::shared_ptr<HTTPRecorder> recorder = std::make_shared<HTTPRecorder>();
  std::vector<int64_t> offsets;
  Bytes after;  // what the engine hands to the codec
};

template <class Handler>
void checkAnswerSplitAnywhere(const std::string& acceptName) {
  const Bytes frame = hex("81026869");
  const Bytes wire = concat({platform::bytesFromString(kAnswer), frame});
  for (size_t at = 1; at < wire.size(); ++at) {
    SCOPED_TRACE(at);
    AnswerRun<Handler> run(chunk(wire, Chunking::split, at));
    ASSERT_EQ(run.recorder->events.size(), 1u);
    auto* success = run.recorder->events[0].template as<HTTPEvent::Success>();
    ASSERT_TRUE(success);
    EXPECT_EQ(qor::findHeaderField(success->headers, acceptName), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
    // Wherever the header ends, the frame behind it reaches the codec whole.
    EXPECT_EQ(run.after, frame);
  }
  AnswerRun<Handler> bytewise(chunk(wire, Chunking::byteByByte));
  EXPECT_EQ(bytewise.recorder->events.size(), 1u);
  EXPECT_EQ(bytewise.after, frame);
}

TEST(UpgradeAnswer, IsReadWhereverItsHeaderIsSplit) {
  checkAnswerSplitAnywhere<qor::FoundationHTTPHandler>("Sec-WebSocket-Accept");
  checkAnswerSplitAnywhere<qor::StringHTTPHandler>("sec-websocket-accept");
}

std::string describe(const std::vector<HTTPEvent>& events) {
  std::string out;
  for (const auto& e : events) {
    if (auto* s = e.as<HTTPEvent::Success>()) {
      out += "success";
      for (const auto& [n, v] : s->headers) out += " " + n + "=" + v;
    } else if (auto* f = e.as<HTTPEvent::Failure>()) {
      auto* u = qor::errorAs<HTTPUpgradeError>(f->error);
      if (u && u->kind() == HTTPUpgradeError::Kind::notAnUpgrade) out += "notAnUpgrade " + std::to_string(u->status());
      else if (u) out += "invalidData";
    }
    out += ";";
  }
  return out;
}

TEST(UpgradeAnswer, ReportsEachKindOfAnswer) {
  struct Case { std::string name; std::vector<std::string> chunks; std::string foundation, string; std::vector<int64_t> offsets; };
  const std::string big(70 * 1024, 'x');
  const std::vector<Case> table = {
      {"accepted", {"HTTP/1.1 101 OK\r\nA: 1\r\n\r\n"}, "success A=1;", "success a=1;", {25}},
      {"refused", {"HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n"}, "notAnUpgrade 403;", "notAnUpgrade 403;", {45}},
      {"incomplete", {"HTTP/1.1 101 OK\r\nA: 1\r\n"}, "", "", {-1}},
      {"empty chunk", {"HTTP/1.1 101 OK\r\n", "", "\r\n"}, "success;", "success;", {-1, -1, 2}},
      {"repeated field", {"HTTP/1.1 101 OK\r\nSet-Cookie: a=1\r\nset-cookie: b=2\r\n\r\n"},
       "success Set-Cookie=a=1, b=2;", "success set-cookie=b=2;", {53}},
      {"not HTTP", {"SSH-2.0-OpenSSH\r\n\r\n"}, "invalidData;", "invalidData;", {19}},
      {"status not a number", {"HTTP/1.1 1x1 OK\r\n\r\n"}, "invalidData;", "notAnUpgrade -1;", {19}},
      {"header line without colon", {"HTTP/1.1 101 OK\r\nbroken\r\n\r\n"}, "invalidData;", "success;", {27}},
      {"one word", {"HTTP/1.1\r\n\r\n"}, "invalidData;", "invalidData;", {12}},
      {"answer without end", {big}, "invalidData;", "invalidData;", {-1}},
      {"header too long", {"HTTP/1.1 101 OK\r\nX: " + big + "\r\n\r\n"}, "invalidData;", "invalidData;", {-1}},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.name);
    std::vector<Bytes> chunks;
    for (const auto& s : c.chunks) chunks.push_back(platform::bytesFromString(s));
    AnswerRun<qor::FoundationHTTPHandler> foundation(chunks);
    AnswerRun<qor::StringHTTPHandler> string(chunks);
    EXPECT_EQ(describe(foundation.recorder->events), c.foundation);
    EXPECT_EQ(describe(string.recorder->events), c.string);
    EXPECT_EQ(foundation.offsets, c.offsets);
    EXPECT_EQ(string.offsets, c.offsets);
  }
}

TEST(UpgradeAnswer, StartsCleanAfterReset) {
  for (auto handler : std::vector<std::shared_ptr<qor::HTTPHandler>>{qor::FoundationHTTPHandler::create(),
                                                                      qor::StringHTTPHandler::create()}) {
    auto recorder = std::make_shared<HTTPRecorder>();
    handler->registerDelegate(recorder);
    // A connection that dropped in the middle of its answer.
    EXPECT_EQ(handler->parse(platform::bytesFromString("HTTP/1.1 403 Forb")), -1);
    handler->reset();
    EXPECT_EQ(handler->parse(platform::bytesFromString(kAnswer)), static_cast<int64_t>(kAnswer.size()));
    ASSERT_EQ(recorder->events.size(), 1u);
    EXPECT_TRUE(recorder->events[0].as<HTTPEvent::Success>());
  }
}

TEST(AcceptCheck, AcceptsOnlyTheKeysAcceptValue) {
  const std::string key = "dGhlIHNhbXBsZSBub25jZQ==";
  EXPECT_EQ(qor::FoundationSecurity::acceptValue(key), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
  struct Case { std::string name; qor::HeaderFields headers; bool accepted; };
  const std::vector<Case> table = {
      {"RFC example", {{"Sec-WebSocket-Accept", "s3pPLMBiTxaQ9kYGzzhZRbK+xOo="}}, true},
      {"name in lower case", {{"sec-websocket-accept", "s3pPLMBiTxaQ9kYGzzhZRbK+xOo="}}, true},
      {"other value", {{"Sec-WebSocket-Accept", "s3pPLMBiTxaQ9kYGzzhZRbK+xOp="}}, false},
      {"value in other case", {{"Sec-WebSocket-Accept", "S3PPLMBITXAQ9KYGZZHZRBK+XOO="}}, false},
      {"field missing", {{"Upgrade", "websocket"}}, false},
      {"no fields", {}, false},
  };
  qor::FoundationSecurity security;
  for (const auto& c : table) {
    SCOPED_TRACE(c.name);
    auto error = security.validate(c.headers, key);
    EXPECT_EQ(error == nullptr, c.accepted);
    if (!error) continue;
    auto* ws = qor::errorAs<qor::WSError>(error);
    ASSERT_TRUE(ws);
    EXPECT_EQ(ws->type(), qor::ErrorType::securityError);
    EXPECT_EQ(ws->message(), "accept header doesn't match");
    EXPECT_EQ(ws->code(), 1);
    // The channel counts only non-zero codes as failures.
    EXPECT_NE(error->bridged().code, 0);
  }
}

TEST(UpgradeErrors, BridgeToTheirCasePositions) {
  EXPECT_EQ(HTTPUpgradeError::notAnUpgrade(403).bridged().code, 0);
  EXPECT_EQ(HTTPUpgradeError::notAnUpgrade(403).bridged().userInfo["status"], 403);
  EXPECT_EQ(HTTPUpgradeError::invalidData().bridged().code, 1);
  EXPECT_EQ(qor::WSError(qor::ErrorType::protocolError, "m", 1002).bridged().code, 1);
}

}  // namespace
