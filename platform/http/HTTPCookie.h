// One HTTP cookie (RFC 6265), as the cookie store keeps it: parsed from an answer's "Set-Cookie"
// fields for the URL that answered, and turned into a request's "Cookie" field. A plain value.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/QORPlatformExport.h"
#include "platform/URL.h"
#include "platform/http/HTTPFieldName.h"

namespace platform {

struct QOR_PLATFORM_EXPORT HTTPCookie {
  std::string name;
  std::string value;
  // Lower case, without a leading dot.
  std::string domain;
  std::string path = "/";
  // Sent only to the very host that set it (no Domain attribute).
  bool isHostOnly = true;
  bool isSecure = false;
  bool isHTTPOnly = false;
  // None: a session cookie.
  std::optional<WallTime> expiresDate;
  WallTime creationDate{};

  bool isExpired(WallTime now) const { return expiresDate && *expiresDate <= now; }
  // Domain, path and secure matching of RFC 6265, section 5.4.
  bool matches(const URL& url) const;

  // The cookies of the answer's "Set-Cookie" fields (their names in any case, a field repeated or
  // its values joined with commas) that the URL may set; others are dropped.
  template <class Fields>
  static std::vector<HTTPCookie> cookiesWithResponseHeaderFields(const Fields& fields, const URL& url) {
    std::vector<std::string> values;
    for (const auto& [name, value] : fields) {
      if (fieldNamesEqual(name, "Set-Cookie")) values.push_back(value);
    }
    return cookiesFromSetCookieValues(values, url);
  }
  static std::vector<HTTPCookie> cookiesFromSetCookieValues(const std::vector<std::string>& values, const URL& url);
  // One "Set-Cookie" value; none when it is malformed or the URL may not set it.
  static std::optional<HTTPCookie> fromSetCookie(std::string_view setCookie, const URL& url, WallTime now);

  // {"Cookie": "a=1; b=2"} in the given order; empty for no cookies.
  static std::map<std::string, std::string> requestHeaderFieldsWithCookies(const std::vector<HTTPCookie>& cookies);
};

// RFC 6265, section 5.1.1; none for text that is not a cookie date.
std::optional<WallTime> parseCookieDate(std::string_view text);

}  // namespace platform
