#include "platform/http/HTTPMessage.h"

#include <algorithm>
#include <cstring>

#include "platform/http/HTTPFieldName.h"

namespace platform {

namespace {

constexpr std::string_view kCRLF = "\r\n";
constexpr std::string_view kEndOfHeader = "\r\n\r\n";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

HTTPMessage HTTPMessage::request(std::string method, const URL& url) {
  HTTPMessage m;
  m.isRequest_ = true;
  m.method_ = std::move(method);
  m.target_ = requestTarget(url);
  return m;
}

HTTPMessage HTTPMessage::emptyResponse() { return HTTPMessage(); }

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
  if (!isRequest_ || !isHTTPToken(method_)) return {};
  std::string text = method_ + " " + target_ + " HTTP/1.1\r\n";
  for (const auto& [n, v] : fields_) text += n + ": " + v + "\r\n";
  text += kCRLF;
  Bytes out = bytesFromString(text);
  out.insert(out.end(), body_.begin(), body_.end());
  return out;
}

bool HTTPMessage::appendBytes(const uint8_t* data, size_t size) {
  if (failed_ || isRequest_) return false;
  if (headerComplete_) {
    body_.insert(body_.end(), data, data + size);
    return true;
  }
  const size_t searchFrom = pending_.size() >= 3 ? pending_.size() - 3 : 0;
  pending_.insert(pending_.end(), data, data + size);
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

// Status line "HTTP/x.y NNN reason", then fields "name: value" (RFC 9112, sections 4 and 5). A
// continuation line (obsolete folding) is joined to the previous value with a blank.
bool HTTPMessage::parseHeader(std::string_view header) {
  size_t lineEnd = header.find(kCRLF);
  std::string_view status = header.substr(0, lineEnd);
  if (status.size() < 12 || status.substr(0, 5) != "HTTP/" || !isDigit(status[5]) || status[6] != '.' ||
      !isDigit(status[7]) || status[8] != ' ' || !isDigit(status[9]) || !isDigit(status[10]) ||
      !isDigit(status[11]) || (status.size() > 12 && status[12] != ' ')) {
    return false;
  }
  const int code = (status[9] - '0') * 100 + (status[10] - '0') * 10 + (status[11] - '0');
  if (!isSafeFieldValue(status)) return false;
  std::string reason(status.size() > 13 ? status.substr(13) : std::string_view{});

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
  for (auto& [n, v] : received) addReceivedField(std::move(n), std::move(v));
  statusCode_ = code;
  statusReason_ = std::move(reason);
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
