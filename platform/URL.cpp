#include "platform/URL.h"

#include <algorithm>
#include <cctype>

namespace platform {
namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isUnreserved(char c) { return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~'; }
bool isSubDelim(char c) { return std::string_view("!$&'()*+,;=").find(c) != std::string_view::npos; }

// Every character of `text` is unreserved, a sub-delimiter, one of `extra`, or part of a "%XX" escape.
bool allOf(std::string_view text, std::string_view extra) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size()) return false;
      if (!isHex(text[i + 1]) || !isHex(text[i + 2])) return false;
      i += 2;
    } else if (!isUnreserved(c) && !isSubDelim(c) && extra.find(c) == std::string_view::npos) {
      return false;
    }
  }
  return true;
}

bool isDecOctet(std::string_view t) {
  if (t.empty() || t.size() > 3 || !std::all_of(t.begin(), t.end(), isDigit)) return false;
  if (t.size() > 1 && t[0] == '0') return false;
  return std::stoi(std::string(t)) <= 255;
}

bool isIPv4(std::string_view t) {
  int octets = 0;
  while (true) {
    const size_t dot = t.find('.');
    if (!isDecOctet(t.substr(0, dot))) return false;
    ++octets;
    if (dot == std::string_view::npos) break;
    t.remove_prefix(dot + 1);
  }
  return octets == 4;
}

bool isH16(std::string_view t) { return !t.empty() && t.size() <= 4 && std::all_of(t.begin(), t.end(), isHex); }

// Counts the 16-bit groups of a ':'-separated run, the last of which may be a dotted IPv4 address
// (two groups) when `ipv4Last` allows it; -1 when the run is malformed.
int groupCount(std::string_view t, bool ipv4Last) {
  if (t.empty()) return 0;
  int groups = 0;
  while (true) {
    const size_t colon = t.find(':');
    const std::string_view part = t.substr(0, colon);
    if (colon == std::string_view::npos) {
      if (isH16(part)) return groups + 1;
      if (ipv4Last && isIPv4(part)) return groups + 2;
      return -1;
    }
    if (!isH16(part)) return -1;
    ++groups;
    t.remove_prefix(colon + 1);
  }
}

bool isIPv6(std::string_view t) {
  const size_t gap = t.find("::");
  if (gap == std::string_view::npos) return groupCount(t, true) == 8;
  const std::string_view head = t.substr(0, gap);
  const std::string_view tail = t.substr(gap + 2);
  if (tail.find("::") != std::string_view::npos) return false;
  const int before = groupCount(head, false);
  const int after = groupCount(tail, true);
  return before >= 0 && after >= 0 && before + after <= 7;
}

bool isIPvFuture(std::string_view t) {
  if (t.size() < 4 || (t[0] != 'v' && t[0] != 'V')) return false;
  const size_t dot = t.find('.');
  if (dot == std::string_view::npos || dot < 2) return false;
  const std::string_view version = t.substr(1, dot - 1);
  const std::string_view rest = t.substr(dot + 1);
  if (!std::all_of(version.begin(), version.end(), isHex) || rest.empty()) return false;
  return std::all_of(rest.begin(), rest.end(), [](char c) { return isUnreserved(c) || isSubDelim(c) || c == ':'; });
}

bool needsHost(std::string_view scheme) {
  return scheme == "http" || scheme == "https" || scheme == "ws" || scheme == "wss";
}

}  // namespace

std::optional<URL> URL::parse(std::string_view text) {
  URL url;
  url.text_ = std::string(text);

  const size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon == 0 || !isAlpha(text[0])) return std::nullopt;
  for (char c : text.substr(0, colon)) {
    if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') return std::nullopt;
    url.scheme_.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  }
  std::string_view rest = text.substr(colon + 1);

  if (const size_t hash = rest.find('#'); hash != std::string_view::npos) {
    const std::string_view fragment = rest.substr(hash + 1);
    if (!allOf(fragment, ":@/?")) return std::nullopt;
    url.fragment_ = std::string(fragment);
    rest = rest.substr(0, hash);
  }
  if (const size_t question = rest.find('?'); question != std::string_view::npos) {
    const std::string_view query = rest.substr(question + 1);
    if (!allOf(query, ":@/?")) return std::nullopt;
    url.query_ = std::string(query);
    rest = rest.substr(0, question);
  }

  if (rest.substr(0, 2) == "//") {
    rest.remove_prefix(2);
    const size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    url.authority_ = std::string(authority);

    if (const size_t at = authority.find('@'); at != std::string_view::npos) {
      const std::string_view userInfo = authority.substr(0, at);
      if (!allOf(userInfo, ":")) return std::nullopt;
      url.userInfo_ = std::string(userInfo);
      authority.remove_prefix(at + 1);
    }
    std::string_view portText;  // empty when no port is written, "host:" included
    if (!authority.empty() && authority[0] == '[') {
      const size_t close = authority.find(']');
      if (close == std::string_view::npos) return std::nullopt;
      const std::string_view literal = authority.substr(1, close - 1);
      if (!isIPv6(literal) && !isIPvFuture(literal)) return std::nullopt;
      url.host_ = std::string(literal);
      const std::string_view after = authority.substr(close + 1);
      if (!after.empty()) {
        if (after[0] != ':') return std::nullopt;
        portText = after.substr(1);
      }
    } else {
      const size_t portColon = authority.find(':');
      const std::string_view host = authority.substr(0, portColon);
      if (!allOf(host, "")) return std::nullopt;
      url.host_ = std::string(host);
      if (portColon != std::string_view::npos) portText = authority.substr(portColon + 1);
    }
    if (!portText.empty()) {
      int port = 0;
      for (char c : portText) {
        if (!isDigit(c)) return std::nullopt;
        port = port * 10 + (c - '0');
        if (port > 65535) return std::nullopt;
      }
      url.port_ = port;
    }
  }
  if (!allOf(rest, ":@/")) return std::nullopt;
  url.path_ = std::string(rest);

  if (needsHost(url.scheme_) && url.host_.empty()) return std::nullopt;
  return url;
}

std::optional<URL> URL::withHostAndPath(const std::optional<std::string>& host, std::string_view path) {
  if (!host) return std::nullopt;
  std::string text;
  text.reserve(host->size() + path.size());
  text.append(*host).append(path);
  return parse(text);
}

}  // namespace platform
