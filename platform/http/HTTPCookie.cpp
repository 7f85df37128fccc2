#include "platform/http/HTTPCookie.h"

#include "platform/http/HTTPFieldName.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstring>

namespace platform {

namespace {

bool isIPAddress(std::string_view host) {
  if (host.find(':') != std::string_view::npos) return true;
  return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

// RFC 6265, section 5.1.3.
bool domainMatches(std::string_view host, std::string_view domain) {
  if (host == domain) return true;
  return !isIPAddress(host) && host.size() > domain.size() && host.substr(host.size() - domain.size()) == domain &&
         host[host.size() - domain.size() - 1] == '.';
}

// RFC 6265, section 5.1.4.
std::string defaultPath(const URL& url) {
  const std::string& path = url.path();
  if (path.empty() || path[0] != '/') return "/";
  const size_t last = path.rfind('/');
  return last == 0 ? "/" : path.substr(0, last);
}

bool pathMatches(std::string_view requestPath, std::string_view cookiePath) {
  if (requestPath.empty()) requestPath = "/";
  if (requestPath == cookiePath) return true;
  if (requestPath.substr(0, cookiePath.size()) != cookiePath) return false;
  return cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

bool isSecureScheme(const URL& url) { return url.scheme() == "https" || url.scheme() == "wss"; }

// Splits a comma-joined "Set-Cookie" value back into cookies: a comma starts a new cookie only
// when a "name=" follows it, so the comma in an Expires date stays.
std::vector<std::string_view> splitJoinedSetCookie(std::string_view joined) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i < joined.size(); ++i) {
    if (joined[i] != ',') continue;
    const std::string_view rest = joined.substr(i + 1);
    const size_t eq = rest.find('=');
    const size_t stop = rest.find_first_of(";,");
    if (eq != std::string_view::npos && eq < stop && !trimOWS(rest.substr(0, eq)).empty()) {
      parts.push_back(joined.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(joined.substr(start));
  return parts;
}

bool isDelimiter(unsigned char c) {
  return c == 0x09 || (c >= 0x20 && c <= 0x2F) || (c >= 0x3B && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
         (c >= 0x7B && c <= 0x7E);
}

// Leading digits of a token, `min` to `max` of them; the rest of the token is ignored.
std::optional<int> leadingNumber(std::string_view token, size_t min, size_t max, size_t* used = nullptr) {
  size_t n = 0;
  while (n < token.size() && token[n] >= '0' && token[n] <= '9') ++n;
  if (n < min || n > max) return std::nullopt;
  int v = 0;
  std::from_chars(token.data(), token.data() + n, v);
  if (used) *used = n;
  return v;
}

}  // namespace

std::optional<WallTime> parseCookieDate(std::string_view text) {
  static constexpr std::array<const char*, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                          "jul", "aug", "sep", "oct", "nov", "dec"};
  std::optional<int> hour, minute, second, day, month, year;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && isDelimiter(static_cast<unsigned char>(text[i]))) ++i;
    size_t j = i;
    while (j < text.size() && !isDelimiter(static_cast<unsigned char>(text[j]))) ++j;
    const std::string_view token = text.substr(i, j - i);
    i = j;
    if (token.empty()) continue;
    if (!hour) {
      size_t a = 0, b = 0;
      auto h = leadingNumber(token, 1, 2, &a);
      if (h && a < token.size() && token[a] == ':') {
        auto m = leadingNumber(token.substr(a + 1), 1, 2, &b);
        if (m && a + 1 + b < token.size() && token[a + 1 + b] == ':') {
          if (auto s = leadingNumber(token.substr(a + 2 + b), 1, 2)) {
            hour = h, minute = m, second = s;
            continue;
          }
        }
      }
    }
    if (!day) {
      if (auto d = leadingNumber(token, 1, 2)) {
        day = d;
        continue;
      }
    }
    if (!month && token.size() >= 3) {
      const std::string prefix = lowercasedASCII(token.substr(0, 3));
      auto it = std::find_if(kMonths.begin(), kMonths.end(), [&](const char* m) { return prefix == m; });
      if (it != kMonths.end()) {
        month = static_cast<int>(it - kMonths.begin()) + 1;
        continue;
      }
    }
    if (!year) {
      if (auto y = leadingNumber(token, 2, 4)) year = y;
    }
  }
  if (!hour || !day || !month || !year) return std::nullopt;
  int y = *year;
  if (y >= 70 && y <= 99) y += 1900;
  if (y >= 0 && y <= 69) y += 2000;
  if (*day < 1 || *day > 31 || y < 1601 || *hour > 23 || *minute > 59 || *second > 59) return std::nullopt;
  const std::chrono::year_month_day date{std::chrono::year(y), std::chrono::month(static_cast<unsigned>(*month)),
                                         std::chrono::day(static_cast<unsigned>(*day))};
  // A day that the month does not have (31 April) is not a date.
  if (!date.ok()) return std::nullopt;
  const int64_t days = std::chrono::sys_days(date).time_since_epoch().count();
  const int64_t secs = days * 86400 + *hour * 3600 + *minute * 60 + *second;
  return WallTime(std::chrono::seconds(secs));
}

bool HTTPCookie::matches(const URL& url) const {
  const std::string host = lowercasedASCII(url.host());
  if (isHostOnly ? host != domain : !domainMatches(host, domain)) return false;
  if (isSecure && !isSecureScheme(url)) return false;
  return pathMatches(url.path(), path);
}

std::optional<HTTPCookie> HTTPCookie::fromSetCookie(std::string_view setCookie, const URL& url, WallTime now) {
  const size_t semi = setCookie.find(';');
  const std::string_view pair = setCookie.substr(0, semi);
  const size_t eq = pair.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  HTTPCookie cookie;
  cookie.name = std::string(trimOWS(pair.substr(0, eq)));
  cookie.value = std::string(trimOWS(pair.substr(eq + 1)));
  if (cookie.name.empty()) return std::nullopt;
  cookie.creationDate = now;

  std::optional<WallTime> expires, maxAge;
  std::string domainAttribute;
  std::optional<std::string> pathAttribute;
  std::string_view rest = semi == std::string_view::npos ? std::string_view{} : setCookie.substr(semi + 1);
  while (!rest.empty()) {
    const size_t next = rest.find(';');
    const std::string_view av = rest.substr(0, next);
    rest = next == std::string_view::npos ? std::string_view{} : rest.substr(next + 1);
    const size_t aeq = av.find('=');
    const std::string name = lowercasedASCII(trimOWS(av.substr(0, aeq)));
    const std::string_view value = aeq == std::string_view::npos ? std::string_view{} : trimOWS(av.substr(aeq + 1));
    if (name == "expires") {
      if (auto d = parseCookieDate(value)) expires = d;
    } else if (name == "max-age") {
      const bool negative = !value.empty() && value[0] == '-';
      const std::string_view digits = negative ? value.substr(1) : value;
      int64_t secs = 0;
      auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), secs);
      if (!digits.empty() && end == digits.data() + digits.size()) {
        if (ec == std::errc::result_out_of_range) secs = INT32_MAX;
        else if (ec != std::errc()) continue;
        maxAge = (negative || secs <= 0) ? WallTime::min() : now + std::chrono::seconds(std::min<int64_t>(secs, INT32_MAX));
      }
    } else if (name == "domain") {
      std::string_view d = value;
      if (!d.empty() && d[0] == '.') d.remove_prefix(1);
      if (!d.empty()) domainAttribute = lowercasedASCII(d);
    } else if (name == "path") {
      if (!value.empty() && value[0] == '/') pathAttribute = std::string(value);
    } else if (name == "secure") {
      cookie.isSecure = true;
    } else if (name == "httponly") {
      cookie.isHTTPOnly = true;
    }
  }
  cookie.expiresDate = maxAge ? maxAge : expires;

  const std::string host = lowercasedASCII(url.host());
  if (host.empty()) return std::nullopt;
  if (!domainAttribute.empty()) {
    if (!domainMatches(host, domainAttribute)) return std::nullopt;
    cookie.isHostOnly = false;
    cookie.domain = domainAttribute;
  } else {
    cookie.domain = host;
  }
  cookie.path = pathAttribute.value_or(defaultPath(url));
  // A page reached without TLS may not set a cookie meant only for secure connections.
  if (cookie.isSecure && !isSecureScheme(url)) return std::nullopt;
  return cookie;
}

std::vector<HTTPCookie> HTTPCookie::cookiesFromSetCookieValues(const std::vector<std::string>& values, const URL& url) {
  const WallTime now = Clock::wallNow();
  std::vector<HTTPCookie> out;
  for (const auto& value : values) {
    for (auto part : splitJoinedSetCookie(value)) {
      if (auto c = fromSetCookie(part, url, now)) out.push_back(std::move(*c));
    }
  }
  return out;
}

std::map<std::string, std::string> HTTPCookie::requestHeaderFieldsWithCookies(const std::vector<HTTPCookie>& cookies) {
  if (cookies.empty()) return {};
  std::string joined;
  for (const auto& c : cookies) {
    if (!joined.empty()) joined += "; ";
    joined += c.name + "=" + c.value;
  }
  return {{"Cookie", joined}};
}

}  // namespace platform
