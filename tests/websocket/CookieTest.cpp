#include <gtest/gtest.h>

#include <thread>

#include "platform/Clock.h"
#include "platform/http/HTTPCookieStorage.h"
#include "platform/http/HTTPMessage.h"

using platform::HTTPCookie;
using platform::HTTPCookieStorage;
using platform::URL;

namespace {

URL url(const std::string& text) { return URL::parse(text).value(); }

std::string names(const std::vector<HTTPCookie>& cookies) {
  std::string out;
  for (const auto& c : cookies) out += (out.empty() ? "" : ",") + c.name;
  return out;
}

TEST(CookieDate, ParsesTheFormsServersSend) {
  struct Case { std::string text; std::optional<int64_t> epoch; };
  const std::vector<Case> table = {
      {"Wed, 09 Jun 2021 10:18:14 GMT", 1623233894},
      {"Wednesday, 09-Jun-21 10:18:14 GMT", 1623233894},
      {"Wed Jun  9 10:18:14 2021", 1623233894},
      {"Thu, 01 Jan 1970 00:00:00 GMT", 0},
      {"Tue, 29 Feb 2028 23:59:59 GMT", 1835481599},
      {"31 Apr 2021 10:00:00", std::nullopt},
      {"Wed, 09 Jun 2021 24:00:00 GMT", std::nullopt},
      {"Wed, 09 Jun 2021", std::nullopt},
      {"not a date", std::nullopt},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.text);
    auto date = platform::parseCookieDate(c.text);
    ASSERT_EQ(date.has_value(), c.epoch.has_value());
    if (date) {
      EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(date->time_since_epoch()).count(), *c.epoch);
    }
  }
}

TEST(Cookie, IsParsedAndScopedAsTheAnswerSays) {
  struct Case {
    std::string name;
    std::string setCookie;
    std::string from;
    bool stored;
    std::string domain, path;
    bool hostOnly, secure;
  };
  const std::vector<Case> table = {
      {"defaults", "sid=1", "https://api.example.com/a/b", true, "api.example.com", "/a", true, false},
      {"root path default", "sid=1", "https://api.example.com/x", true, "api.example.com", "/", true, false},
      {"domain attribute", "sid=1; Domain=.Example.com; Path=/p", "https://api.example.com/", true, "example.com", "/p", false, false},
      {"foreign domain", "sid=1; Domain=other.com", "https://api.example.com/", false, "", "", false, false},
      {"suffix that is no label", "sid=1; Domain=ple.com", "https://api.example.com/", false, "", "", false, false},
      {"secure from TLS", "sid=1; Secure; HttpOnly", "wss://api.example.com/", true, "api.example.com", "/", true, true},
      {"secure without TLS", "sid=1; Secure", "ws://api.example.com/", false, "", "", false, false},
      {"no equals sign", "sid", "https://api.example.com/", false, "", "", false, false},
      {"empty name", "=1", "https://api.example.com/", false, "", "", false, false},
      {"relative path ignored", "sid=1; Path=rel", "https://api.example.com/a/b", true, "api.example.com", "/a", true, false},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.name);
    auto cookie = HTTPCookie::fromSetCookie(c.setCookie, url(c.from), platform::Clock::wallNow());
    ASSERT_EQ(cookie.has_value(), c.stored);
    if (!cookie) continue;
    EXPECT_EQ(cookie->domain, c.domain);
    EXPECT_EQ(cookie->path, c.path);
    EXPECT_EQ(cookie->isHostOnly, c.hostOnly);
    EXPECT_EQ(cookie->isSecure, c.secure);
  }
}

TEST(CookieStorage, ReturnsTheCookiesThatMatchAURL) {
  auto store = HTTPCookieStorage::create();
  // Cookies without a Path take the folder of the URL that set them: "/app".
  const URL origin = url("https://api.example.com/app/login");
  store->setCookies(HTTPCookie::cookiesFromSetCookieValues(
      {"host=1", "wide=2; Domain=example.com; Path=/", "deep=3; Path=/app/inner",
       "app=4; Path=/app", "sec=5; Secure", "gone=6; Max-Age=0",
       "old=7; Expires=Thu, 01 Jan 1970 00:00:00 GMT, joined=8; Path=/"},
      origin));
  struct Case { std::string url; std::string cookies; };
  const std::vector<Case> table = {
      {"https://api.example.com/app/inner/x", "deep,host,app,sec,wide,joined"},
      {"https://api.example.com/app", "host,app,sec,wide,joined"},
      {"https://api.example.com/application", "wide,joined"},
      {"ws://api.example.com/app", "host,app,wide,joined"},
      {"https://www.example.com/app", "wide"},
      {"https://example.com/", "wide"},
      {"https://other.com/", ""},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(names(store->cookiesForURL(url(c.url))), c.cookies);
  }
  EXPECT_EQ(HTTPCookie::requestHeaderFieldsWithCookies(store->cookiesForURL(url("https://example.com/"))),
            (std::map<std::string, std::string>{{"Cookie", "wide=2"}}));
  EXPECT_TRUE(HTTPCookie::requestHeaderFieldsWithCookies({}).empty());
}

TEST(CookieStorage, ReplacesAndExpiresCookies) {
  auto store = HTTPCookieStorage::create();
  const URL origin = url("https://example.com/");
  store->setCookies(HTTPCookie::cookiesFromSetCookieValues({"a=1", "b=1"}, origin));
  store->setCookies(HTTPCookie::cookiesFromSetCookieValues({"a=2"}, origin));
  auto cookies = store->cookiesForURL(origin);
  ASSERT_EQ(names(cookies), "a,b");
  EXPECT_EQ(cookies[0].value, "2");
  store->setCookies(HTTPCookie::cookiesFromSetCookieValues({"a=x; Max-Age=-1"}, origin));
  EXPECT_EQ(names(store->cookiesForURL(origin)), "b");

  platform::VirtualTime virtualTime;
  store->setCookies(HTTPCookie::cookiesFromSetCookieValues({"short=1; Max-Age=10"}, origin));
  EXPECT_EQ(names(store->cookiesForURL(origin)), "b,short");
  platform::VirtualTime::jump(std::chrono::seconds(11));
  EXPECT_EQ(names(store->cookiesForURL(origin)), "b");
}

TEST(CookieStorage, TakesCookiesFromSeveralThreads) {
  auto store = HTTPCookieStorage::create();
  const URL origin = url("https://example.com/");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        store->setCookies(HTTPCookie::cookiesFromSetCookieValues({"t" + std::to_string(t) + "_" + std::to_string(i % 20) + "=v"}, origin));
        store->cookiesForURL(origin);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(store->cookies().size(), 80u);
}

TEST(HTTPResponse, ReadsStatusAndFields) {
  struct Case { std::string name; std::string text; bool ok; int status; std::vector<std::pair<std::string, std::string>> fields; };
  const std::vector<Case> table = {
      {"plain", "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n\r\n", true, 101, {{"Upgrade", "websocket"}}},
      {"no reason", "HTTP/1.1 204\r\n\r\n", true, 204, {}},
      {"blanks around value", "HTTP/1.1 200 OK\r\nA:   x y  \r\n\r\n", true, 200, {{"A", "x y"}}},
      {"repeated field joined", "HTTP/1.1 200 OK\r\nA: 1\r\na: 2\r\n\r\n", true, 200, {{"A", "1, 2"}}},
      {"folded line", "HTTP/1.1 200 OK\r\nA: 1\r\n  2\r\n\r\n", true, 200, {{"A", "1 2"}}},
      {"blank before colon", "HTTP/1.1 200 OK\r\nA : 1\r\n\r\n", false, 0, {}},
      {"fold first", "HTTP/1.1 200 OK\r\n x\r\n\r\n", false, 0, {}},
      {"bare LF inside", "HTTP/1.1 200 OK\r\nA: 1\nB: 2\r\n\r\n", false, 0, {}},
      {"two-digit status", "HTTP/1.1 20 OK\r\n\r\n", false, 0, {}},
      {"not HTTP", "ICY 200 OK\r\n\r\n", false, 0, {}},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.name);
    auto message = platform::HTTPMessage::emptyResponse();
    EXPECT_EQ(message.appendBytes(platform::bytesFromString(c.text)), c.ok);
    EXPECT_EQ(message.isHeaderComplete(), c.ok);
    EXPECT_EQ(message.statusCode(), c.status);
    EXPECT_EQ(message.allHeaderFields(), c.fields);
  }
}

TEST(HTTPRequest, ReadsTheRequestLineAndFields) {
  struct Case {
    std::string name;
    std::string text;
    bool ok;
    std::string method;
    std::string target;
    std::vector<std::pair<std::string, std::string>> fields;
  };
  const std::vector<Case> table = {
      {"upgrade", "GET /chat?x=1 HTTP/1.1\r\nHost: h\r\nSec-WebSocket-Key: k\r\n\r\n", true, "GET", "/chat?x=1",
       {{"Host", "h"}, {"Sec-WebSocket-Key", "k"}}},
      {"empty lines before it (RFC 9112, 2.2)", "\r\n\r\nGET / HTTP/1.1\r\nA: 1\r\n\r\n", true, "GET", "/", {{"A", "1"}}},
      {"other method, absolute target", "POST http://h/p HTTP/1.0\r\nA: 1\r\n\r\n", true, "POST", "http://h/p", {{"A", "1"}}},
      {"repeated field joined", "GET / HTTP/1.1\r\nA: 1\r\na: 2\r\n\r\n", true, "GET", "/", {{"A", "1, 2"}}},
      {"no fields", "GET / HTTP/1.1\r\n\r\n", true, "GET", "/", {}},
      {"two blanks", "GET  / HTTP/1.1\r\n\r\n", false, "", "", {}},
      {"no version", "GET /\r\nA: 1\r\n\r\n", false, "", "", {}},
      {"version of another protocol", "GET / HTTPS/1.1\r\n\r\n", false, "", "", {}},
      {"blank in the target", "GET /a b HTTP/1.1\r\n\r\n", false, "", "", {}},
      {"method not a token", "G(T / HTTP/1.1\r\n\r\n", false, "", "", {}},
      {"a status line", "HTTP/1.1 200 OK\r\n\r\n", false, "", "", {}},
      {"blank before colon", "GET / HTTP/1.1\r\nA : 1\r\n\r\n", false, "", "", {}},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.name);
    auto message = platform::HTTPMessage::emptyRequest();
    EXPECT_EQ(message.appendBytes(platform::bytesFromString(c.text + "tail")), c.ok);
    EXPECT_EQ(message.isHeaderComplete(), c.ok);
    EXPECT_EQ(message.requestMethod(), c.method);
    EXPECT_EQ(message.target(), c.target);
    EXPECT_EQ(message.allHeaderFields(), c.fields);
    EXPECT_EQ(platform::stringFromBytes(message.body()), c.ok ? "tail" : "");
  }
  // A head without its end is refused once it passes the cap, not kept growing.
  auto endless = platform::HTTPMessage::emptyRequest();
  EXPECT_TRUE(endless.appendBytes(platform::bytesFromString("GET / HTTP/1.1\r\n")));
  const platform::Bytes field(platform::HTTPMessage::kMaximumHeaderSize, 'a');
  EXPECT_FALSE(endless.appendBytes(field));
  EXPECT_FALSE(endless.appendBytes(platform::bytesFromString("\r\n\r\n")));
}

TEST(HTTPResponse, WritesTheStatusLineAndFields) {
  auto answer = platform::HTTPMessage::response(101);
  EXPECT_TRUE(answer.setHeaderFieldValue("Upgrade", "websocket"));
  EXPECT_FALSE(answer.setHeaderFieldValue("X", "a\r\nInjected: 1"));
  EXPECT_EQ(platform::stringFromBytes(answer.serializedMessage()),
            "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n\r\n");
  EXPECT_EQ(platform::stringFromBytes(platform::HTTPMessage::response(299).serializedMessage()), "HTTP/1.1 299 \r\n\r\n");
  EXPECT_EQ(platform::stringFromBytes(platform::HTTPMessage::response(400, "Nope").serializedMessage()),
            "HTTP/1.1 400 Nope\r\n\r\n");
  EXPECT_TRUE(platform::HTTPMessage::response(1000).serializedMessage().empty());
  EXPECT_TRUE(platform::HTTPMessage::response(200, "a\r\nb").serializedMessage().empty());
  // What we write, the response reader reads back.
  auto read = platform::HTTPMessage::emptyResponse();
  EXPECT_TRUE(read.appendBytes(answer.serializedMessage()));
  EXPECT_EQ(read.statusCode(), 101);
  EXPECT_EQ(read.headerFieldValue("upgrade"), "websocket");
}

TEST(HTTPRequest, RefusesFieldsThatWouldSplitTheMessage) {
  auto message = platform::HTTPMessage::request("GET", url("ws://example.com"));
  EXPECT_TRUE(message.setHeaderFieldValue("Host", "example.com:80"));
  EXPECT_FALSE(message.setHeaderFieldValue("X-Evil", "1\r\nInjected: yes"));
  EXPECT_FALSE(message.setHeaderFieldValue("Bad Name", "1"));
  EXPECT_TRUE(message.setHeaderFieldValue("host", "other:80"));
  EXPECT_EQ(platform::stringFromBytes(message.serializedMessage()), "GET / HTTP/1.1\r\nHost: other:80\r\n\r\n");
}

}  // namespace
