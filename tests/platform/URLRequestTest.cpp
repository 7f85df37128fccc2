#include <gtest/gtest.h>

#include "platform/URLRequest.h"

using platform::HTTPHeaderFields;
using platform::URL;
using platform::URLRequest;

namespace {

TEST(URLRequest, StartsAsAPlainGetWithThePlatformTimeout) {
  URLRequest request(URL::parse("https://h/p"));
  ASSERT_TRUE(request.url());
  EXPECT_EQ(request.url()->absoluteString(), "https://h/p");
  EXPECT_EQ(request.httpMethod(), "GET");
  EXPECT_TRUE(request.allHTTPHeaderFields().empty());
  EXPECT_FALSE(request.httpBody());
  EXPECT_EQ(request.timeoutInterval(), 60.0);
  EXPECT_FALSE(URLRequest().url());
}

TEST(URLRequest, KeepsAnEmptyBodyApartFromNone) {
  URLRequest request;
  request.setHTTPBody(platform::Bytes{});
  ASSERT_TRUE(request.httpBody());
  EXPECT_TRUE(request.httpBody()->empty());
  request.setHTTPBody(std::nullopt);
  EXPECT_FALSE(request.httpBody());
}

TEST(URLRequest, HeaderFieldsFollowTheirRules) {
  struct Step {
    enum { Set, Add, Remove } op;
    const char* field;
    const char* value;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    HTTPHeaderFields expected;
  };
  const Case cases[] = {
      {"set keeps insertion order",
       {{Step::Set, "B", "1"}, {Step::Set, "A", "2"}, {Step::Set, "C", "3"}},
       {{"B", "1"}, {"A", "2"}, {"C", "3"}}},
      {"set replaces whatever the case, keeping place and first spelling",
       {{Step::Set, "Content-Type", "a"}, {Step::Set, "X", "x"}, {Step::Set, "content-TYPE", "b"}},
       {{"Content-Type", "b"}, {"X", "x"}}},
      {"add joins with a bare comma",
       {{Step::Add, "Content-Type", "application/json"}, {Step::Add, "content-type", "text/plain"}},
       {{"Content-Type", "application/json,text/plain"}}},
      {"add onto a missing field adds it",
       {{Step::Set, "A", "1"}, {Step::Add, "B", "2"}},
       {{"A", "1"}, {"B", "2"}}},
      {"empty values are values",
       {{Step::Set, "A", ""}, {Step::Add, "A", ""}},
       {{"A", ","}}},
      {"remove drops only that field",
       {{Step::Set, "A", "1"}, {Step::Set, "B", "2"}, {Step::Remove, "a", nullptr}, {Step::Remove, "Z", nullptr}},
       {{"B", "2"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    URLRequest request;
    for (const auto& s : c.steps) {
      switch (s.op) {
        case Step::Set: EXPECT_TRUE(request.setValue(std::string(s.value), s.field)); break;
        case Step::Add: EXPECT_TRUE(request.addValue(s.value, s.field)); break;
        case Step::Remove: EXPECT_TRUE(request.setValue(std::nullopt, s.field)); break;
      }
    }
    EXPECT_EQ(request.allHTTPHeaderFields(), c.expected);
  }
}

TEST(URLRequest, ValueLooksUpFieldsWhateverTheirCase) {
  URLRequest request;
  request.setValue(std::string("abc"), "Sec-WebSocket-Key");
  EXPECT_EQ(request.value("sec-websocket-key"), "abc");
  EXPECT_EQ(request.value("SEC-WEBSOCKET-KEY"), "abc");
  EXPECT_FALSE(request.value("Sec-WebSocket-Keys"));
  EXPECT_FALSE(request.value(""));
}

TEST(URLRequest, RefusesFieldsThatWouldBreakTheRequestMessage) {
  const std::pair<std::string, std::string> cases[] = {
      {"X", "a\r\nInjected: 1"}, {"X", "a\nb"}, {"X", "a\rb"}, {"X", std::string("a\0b", 3)},
      {"", "v"},                 {"Bad Name", "v"}, {"Bad:Name", "v"}, {"X\r\n", "v"},
      {"Caf\xc3\xa9", "v"},
  };
  for (const auto& [field, value] : cases) {
    SCOPED_TRACE(field + " = " + value);
    URLRequest request;
    request.setValue(std::string("kept"), "X");
    EXPECT_FALSE(request.setValue(value, field));
    EXPECT_FALSE(request.addValue(value, field));
    EXPECT_EQ(request.allHTTPHeaderFields(), (HTTPHeaderFields{{"X", "kept"}}));
  }
}

TEST(URLRequest, SetAllReplacesEveryField) {
  URLRequest request;
  request.setValue(std::string("old"), "Old");
  EXPECT_TRUE(request.setAllHTTPHeaderFields({{"B", "1"}, {"A", "2"}, {"b", "3"}}));
  EXPECT_EQ(request.allHTTPHeaderFields(), (HTTPHeaderFields{{"B", "3"}, {"A", "2"}}));

  EXPECT_FALSE(request.setAllHTTPHeaderFields({{"Good", "1"}, {"Bad", "x\r\ny"}, {"Also", "2"}}));
  EXPECT_EQ(request.allHTTPHeaderFields(), (HTTPHeaderFields{{"Good", "1"}, {"Also", "2"}}));

  EXPECT_TRUE(request.setAllHTTPHeaderFields({}));
  EXPECT_TRUE(request.allHTTPHeaderFields().empty());
}

}  // namespace
