#include "platform/http/HTTPMessage.h"

#include <algorithm>
#include <cstring>

#include "platform/http/HTTPFieldName.h"

namespace platform {

namespace {

constexpr std::string_view kCRLF = "\r\n";
constexpr std::string_view kEndOfHeader = "\r\n\r\n";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "HTTP/" DIGIT "." DIGIT (RFC 9112, section 2.3).
bool isHTTPVersion(std::string_view v) {
  return v.size() == 8 && v.substr(0, 5) == "HTTP/" && isDigit(v[5]) && v[6] == '.' && isDigit(v[7]);
}

// Visible ASCII only: a request target holds no blank, control or non-ASCII byte.
bool isRequestTarget(std::string_view t) {
  return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

std::string standardReasonPhrase(int code) {
  switch (code) {
    case 101: return "Switching Protocols";
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 426: return "Upgrade Required";
    case 500: return "Internal Server Error";
    default: return {};
  }
}

}  // namespace

HTTPMessage HTTPMessage::request(std::string method, const URL& url) {
  HTTPMessage m;
  m.isRequest_ = true;
  m.method_ = std::move(method);
  m.target_ = requestTarget(url);
  return m;
}

HTTPMessage HTTPMessage::response(int statusCode, std::string statusText, std::string version) {
  HTTPMessage m;
  m.statusCode_ = statusCode;
  m.statusReason_ = statusText.empty() ? standardReasonPhrase(statusCode) : std::move(statusText);
  m.version_ = std::move(version);
  return m;
}

HTTPMessage HTTPMessage::emptyResponse() {
  HTTPMessage m;
  m.isReceived_ = true;
  return m;
}

HTTPMessage HTTPMessage::emptyRequest() {
  HTTPMessage m;
  m.isRequest_ = true;
  m.isReceived_ = true;
  return m;
}

std::string HTTPMessage::requestTarget(const URL& url) {
  std::string target = url.path().empty() ? "/" : url.path();
  if (url.query()) target += "?" + *url.query();
  return target;
}

bool HTTPMessage::setHeaderFieldValue(std::string_view name, std::string_view value) {
  if (!isHTTPToken(name) || !isSafeFieldValue(value)) return false;
  for (auto& [n, v] : fields_) {
    if (fieldNamesEqual(n, name)) {
      v = std::string(value);
      return true;
    }
  }
  fields_.emplace_back(std::string(name), std::string(value));
  return true;
}

std::optional<std::string> HTTPMessage::headerFieldValue(std::string_view name) const {
  for (const auto& [n, v] : fields_) {
    if (fieldNamesEqual(n, name)) return v;
  }
  return std::nullopt;
}

Bytes HTTPMessage::serializedMessage() const {
  std::string text;
  if (isRequest_) {
    if (!isHTTPToken(method_)) return {};
    text = method_ + " " + target_ + " " + version_ + "\r\n";
  } else {
    if (statusCode_ < 100 || statusCode_ > 999 || !isHTTPVersion(version_) || !isSafeFieldValue(statusReason_)) return {};
    text = version_ + " " + std::to_string(statusCode_) + " " + statusReason_ + "\r\n";
  }
  for (const auto& [n, v] : fields_) text += n + ": " + v + "\r\n";
  text += kCRLF;
  Bytes out = bytesFromString(text);
  out.insert(out.end(), body_.begin(), body_.end());
  return out;
}

bool HTTPMessage::appendBytes(const uint8_t* data, size_t size) {
  if (failed_ || !isReceived_) return false;
  if (headerComplete_) {
    body_.insert(body_.end(), data, data + size);
    return true;
  }
  size_t searchFrom = pending_.size() >= 3 ? pending_.size() - 3 : 0;
  pending_.insert(pending_.end(), data, data + size);
  if (isRequest_) {
    // Empty lines before the request line are skipped, so they cannot pass for the header's end.
    size_t skip = 0;
    while (skip + 1 < pending_.size() && pending_[skip] == '\r' && pending_[skip + 1] == '\n') skip += 2;
    if (skip > 0) {
      pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(skip));
      searchFrom = 0;
    }
  }
  const std::string_view text(reinterpret_cast<const char*>(pending_.data()), pending_.size());
  const size_t end = text.find(kEndOfHeader, searchFrom);
  if (end == std::string_view::npos) {
    if (pending_.size() > kMaximumHeaderSize) failed_ = true;
    return !failed_;
  }
  if (end + kEndOfHeader.size() > kMaximumHeaderSize || !parseHeader(text.substr(0, end))) {
    failed_ = true;
    fields_.clear();
    return false;
  }
  body_.assign(pending_.begin() + static_cast<std::ptrdiff_t>(end + kEndOfHeader.size()), pending_.end());
  pending_.clear();
  headerComplete_ = true;
  return true;
}

// Status line "HTTP/x.y NNN reason" (RFC 9112, section 4).
bool HTTPMessage::parseStatusLine(std::string_view status) {
  if (status.size() < 12 || !isHTTPVersion(status.substr(0, 8)) || status[8] != ' ' || !isDigit(status[9]) ||
      !isDigit(status[10]) || !isDigit(status[11]) || (status.size() > 12 && status[12] != ' ')) {
    return false;
  }
  if (!isSafeFieldValue(status)) return false;
  statusCode_ = (status[9] - '0') * 100 + (status[10] - '0') * 10 + (status[11] - '0');
  statusReason_ = std::string(status.size() > 13 ? status.substr(13) : std::string_view{});
  version_ = std::string(status.substr(0, 8));
  return true;
}

// Request line "METHOD target HTTP/x.y", single blanks between (RFC 9112, section 3).
bool HTTPMessage::parseRequestLine(std::string_view line) {
  const size_t first = line.find(' ');
  if (first == std::string_view::npos) return false;
  const size_t second = line.find(' ', first + 1);
  if (second == std::string_view::npos) return false;
  const std::string_view method = line.substr(0, first);
  const std::string_view target = line.substr(first + 1, second - first - 1);
  const std::string_view version = line.substr(second + 1);
  if (!isHTTPToken(method) || !isRequestTarget(target) || !isHTTPVersion(version)) return false;
  method_ = std::string(method);
  target_ = std::string(target);
  version_ = std::string(version);
  return true;
}

// The start line, then fields "name: value" (RFC 9112, section 5). A continuation line (obsolete
// folding) is joined to the previous value with a blank.
bool HTTPMessage::parseHeader(std::string_view header) {
  size_t lineEnd = header.find(kCRLF);
  const std::string_view startLine = header.substr(0, lineEnd);

  std::vector<std::pair<std::string, std::string>> received;
  while (lineEnd != std::string_view::npos) {
    const size_t start = lineEnd + kCRLF.size();
    lineEnd = header.find(kCRLF, start);
    const std::string_view line = header.substr(start, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - start);
    if (!isSafeFieldValue(line)) return false;
    if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
      if (received.empty()) return false;
      auto folded = trimOWS(line);
      if (!folded.empty()) received.back().second += (received.back().second.empty() ? "" : " ") + std::string(folded);
      continue;
    }
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || !isHTTPToken(line.substr(0, colon))) return false;
    received.emplace_back(std::string(line.substr(0, colon)), std::string(trimOWS(line.substr(colon + 1))));
  }
  if (!(isRequest_ ? parseRequestLine(startLine) : parseStatusLine(startLine))) return false;
  for (auto& [n, v] : received) addReceivedField(std::move(n), std::move(v));
  return true;
}

void HTTPMessage::addReceivedField(std::string name, std::string value) {
  for (auto& [n, v] : fields_) {
    if (fieldNamesEqual(n, name)) {
      v += ", " + value;
      return;
    }
  }
  fields_.emplace_back(std::move(name), std::move(value));
}

}  // namespace platform
