#include <gtest/gtest.h>

#include "platform/URL.h"

using platform::URL;

namespace {

struct Parsed {
  const char* text;
  const char* scheme;
  const char* host;
  std::optional<int> port;
  const char* path;
  std::optional<std::string> query;
  std::optional<std::string> fragment;
};

TEST(URL, SplitsValidTextIntoItsComponents) {
  const Parsed cases[] = {
      {"https://example.com", "https", "example.com", {}, "", {}, {}},
      {"https://example.com/vtn-service/rest/actions", "https", "example.com", {}, "/vtn-service/rest/actions", {}, {}},
      {"HTTPS://Example.COM/A", "https", "Example.COM", {}, "/A", {}, {}},
      {"wss://h:8443/ws?x=1&y=%20#top", "wss", "h", 8443, "/ws", "x=1&y=%20", "top"},
      {"ws://h:0/", "ws", "h", 0, "/", {}, {}},
      {"ws://h:65535", "ws", "h", 65535, "", {}, {}},
      {"ws://h:000080", "ws", "h", 80, "", {}, {}},
      {"ws://h:/p", "ws", "h", {}, "/p", {}, {}},
      {"http://h/p?", "http", "h", {}, "/p", "", {}},
      {"http://h/p#", "http", "h", {}, "/p", {}, ""},
      {"http://h?q/?#f?/", "http", "h", {}, "", "q/?", "f?/"},
      {"http://127.0.0.1:8080/a", "http", "127.0.0.1", 8080, "/a", {}, {}},
      {"http://[::1]:8080/a", "http", "::1", 8080, "/a", {}, {}},
      {"https://[2001:db8::7]", "https", "2001:db8::7", {}, "", {}, {}},
      {"https://[::ffff:192.0.2.1]/", "https", "::ffff:192.0.2.1", {}, "/", {}, {}},
      {"https://[1:2:3:4:5:6:7:8]/", "https", "1:2:3:4:5:6:7:8", {}, "/", {}, {}},
      {"https://[v1.fe80::a+en1]/", "https", "v1.fe80::a+en1", {}, "/", {}, {}},
      {"https://user:pw@h:1/", "https", "h", 1, "/", {}, {}},
      {"https://h//double", "https", "h", {}, "//double", {}, {}},
      {"https://h/a:b@c;d=e/%7Efile", "https", "h", {}, "/a:b@c;d=e/%7Efile", {}, {}},
      {"mailto:someone@example.com", "mailto", "", {}, "someone@example.com", {}, {}},
      {"file:///etc/hosts", "file", "", {}, "/etc/hosts", {}, {}},
      {"urn:isbn:0451450523", "urn", "", {}, "isbn:0451450523", {}, {}},
      {"a+b.c-d:x", "a+b.c-d", "", {}, "x", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto url = URL::parse(c.text);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->scheme(), c.scheme);
    EXPECT_EQ(url->host(), c.host);
    EXPECT_EQ(url->port(), c.port);
    EXPECT_EQ(url->path(), c.path);
    EXPECT_EQ(url->query(), c.query);
    EXPECT_EQ(url->fragment(), c.fragment);
    EXPECT_EQ(url->absoluteString(), c.text);
  }
}

TEST(URL, MalformedTextGivesNil) {
  const char* cases[] = {
      "",                          // nothing
      "example.com/path",          // no scheme
      "/relative/path",            // no scheme
      ":no-scheme",                // empty scheme
      "1http://h",                 // scheme not starting with a letter
      "ht_tp://h",                 // bad scheme character
      "https://exa mple.com",      // blank
      "https://h/a b",             // blank in the path
      "https://h/a\tb",            // control character
      "https://h/\n",              // line break
      "https://h/caf\xc3\xa9",     // non-ASCII
      "https://h/%zz",             // broken escape
      "https://h/%4",              // truncated escape
      "https://h/%",               // truncated escape
      "https://h/\"q\"",           // quote
      "https://h/<x>",             // angle brackets
      "https://h/a#b#c",           // second '#'
      "https://h/[x]",             // brackets outside a host
      "https://h:port/",           // port not a number
      "https://h:-1/",             // negative port
      "https://h:65536/",          // port out of range
      "https://h:99999999999/",    // port far out of range
      "https://h:80:81/",          // two ports
      "https://",                  // empty host
      "https:///path",             // empty host
      "http:/path",                // no authority for a scheme that needs a host
      "wss://:443",                // empty host with a port
      "ws://user@/p",              // empty host after user information
      "https://a@b@c/",            // '@' in the host
      "https://[::1/",             // unclosed IP literal
      "https://[::1]x/",           // text after an IP literal
      "https://[1:2:3:4:5:6:7:8:9]/",  // too many groups
      "https://[1:2:3:4:5:6:7]/",  // too few groups
      "https://[1::2::3]/",        // two gaps
      "https://[12345::]/",        // group too long
      "https://[::1.2.3.256]/",    // bad IPv4 tail
      "https://[::01.2.3.4]/",     // leading zero in the IPv4 tail
      "https://[g::]/",            // not hexadecimal
      "https://[]/",               // empty literal
      "https://[v.x]/",            // IPvFuture without a version
      "https://[fe80::1%25eth0]/", // zone identifiers are not part of the generic syntax
  };
  for (const char* text : cases) EXPECT_FALSE(URL::parse(text)) << text;
  EXPECT_FALSE(URL::parse(std::string("https://h/a\0b", 13)));  // NUL inside the text
}

TEST(URL, KeepsTheAuthorityAndUserInformationAsWritten) {
  auto url = URL::parse("wss://me:secret@[::1]:9000/ws");
  ASSERT_TRUE(url);
  EXPECT_EQ(url->authority(), "me:secret@[::1]:9000");
  EXPECT_EQ(url->userInfo(), "me:secret");
  EXPECT_EQ(url->host(), "::1");

  auto plain = URL::parse("https://h");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->authority(), "h");
  EXPECT_FALSE(plain->userInfo());

  auto noAuthority = URL::parse("mailto:x@y");
  ASSERT_TRUE(noAuthority);
  EXPECT_FALSE(noAuthority->authority());
}

TEST(URL, ServerTaskURLIsHostFollowedDirectlyByPath) {
  const std::string path = "/vtn-service/rest/actions";
  auto url = URL::withHostAndPath("https://bank.example", path);
  ASSERT_TRUE(url);
  EXPECT_EQ(url->absoluteString(), "https://bank.example/vtn-service/rest/actions");
  EXPECT_EQ(url->path(), path);

  auto doubled = URL::withHostAndPath("https://bank.example/", path);
  ASSERT_TRUE(doubled);
  EXPECT_EQ(doubled->path(), "//vtn-service/rest/actions");

  EXPECT_FALSE(URL::withHostAndPath(std::nullopt, path));
  EXPECT_FALSE(URL::withHostAndPath("", path));
  EXPECT_FALSE(URL::withHostAndPath("bank example", path));
}

}  // namespace
