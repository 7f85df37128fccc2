// An absolute URL as the platform's URL type holds it: an immutable value parsed from its text by the
// generic syntax of RFC 3986 (scheme ":" ["//" authority] path ["?" query] ["#" fragment]).
//
// Parsing is strict: text without a scheme, with characters outside the URI character set (blanks,
// control characters, non-ASCII), with broken percent escapes, a port that is not a number from 0 to
// 65535, a malformed IP literal, or an empty host for "http", "https", "ws" and "wss" gives nullopt.
// The components are reported as written (percent escapes kept), so a request line built from them
// carries exactly what the caller wrote. Values are immutable and may be shared between threads.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/QORPlatformExport.h"

namespace platform {

class QOR_PLATFORM_EXPORT URL {
 public:
  static std::optional<URL> parse(std::string_view text);

  // The server task's URL: the stored host text followed directly by the path text (no separator is
  // inserted or removed, so a host ending in "/" gives a double slash). No host gives nullopt.
  static std::optional<URL> withHostAndPath(const std::optional<std::string>& host, std::string_view path);

  // Lower-case, as schemes compare case-insensitively.
  const std::string& scheme() const { return scheme_; }
  // The text between "//" and the path, as written (user information, host and port); nullopt when
  // the URL has no "//".
  const std::optional<std::string>& authority() const { return authority_; }
  // The part of the authority before "@", when there is one.
  const std::optional<std::string>& userInfo() const { return userInfo_; }
  // As written; an IPv6 literal without its brackets. Empty when the URL has no authority.
  const std::string& host() const { return host_; }
  // Only when the text writes one ("host:" writes none).
  std::optional<int> port() const { return port_; }
  // As written; empty when absent.
  const std::string& path() const { return path_; }
  // Without the '?'; an empty query ("x?") is present and empty.
  const std::optional<std::string>& query() const { return query_; }
  // Without the '#'.
  const std::optional<std::string>& fragment() const { return fragment_; }
  // The text the URL was parsed from.
  const std::string& absoluteString() const { return text_; }

  bool operator==(const URL& other) const { return text_ == other.text_; }

 private:
  URL() = default;

  std::string text_;
  std::string scheme_;
  std::optional<std::string> authority_;
  std::optional<std::string> userInfo_;
  std::string host_;
  std::optional<int> port_;
  std::string path_;
  std::optional<std::string> query_;
  std::optional<std::string> fragment_;
};

}  // namespace platform
