#include "common/websocket/http/StringHTTPHandler.h"

#include <charconv>
#include <cctype>
#include <string_view>
#include <vector>

#include "common/websocket/framer/UTF8.h"
#include "common/websocket/http/HTTPConstants.h"
#include "common/websocket/http/HTTPUpgradeError.h"
#include "platform/http/HTTPFieldName.h"
#include "platform/http/HTTPMessage.h"

namespace qor {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

platform::Bytes StringHTTPHandler::convert(const platform::URLRequest& request) {
  if (!request.url()) return {};
  std::string text = request.httpMethod() + " " + platform::HTTPMessage::requestTarget(*request.url()) + " HTTP/1.1\r\n";
  for (const auto& [name, value] : request.allHTTPHeaderFields()) text += name + ": " + value + "\r\n";
  text += "\r\n";
  platform::Bytes out = platform::bytesFromString(text);
  if (request.httpBody()) out.insert(out.end(), request.httpBody()->begin(), request.httpBody()->end());
  return out;
}

void StringHTTPHandler::parseResponse(const platform::Bytes& header) {
  auto invalid = [this] { report(HTTPEvent::Failure{makeError<HTTPUpgradeError>(HTTPUpgradeError::invalidData())}); };
  if (!isValidUTF8(header)) return invalid();
  const std::string text = platform::stringFromBytes(header);
  std::vector<std::string_view> lines;
  for (size_t start = 0;;) {
    const size_t end = text.find("\r\n", start);
    lines.push_back(std::string_view(text).substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  // The status line split at every blank: "HTTP/1.1", the code, the reason's words.
  std::vector<std::string_view> words;
  const std::string_view status = lines.front();
  for (size_t start = 0;;) {
    size_t end = start;
    while (end < status.size() && !isSpace(status[end])) ++end;
    words.push_back(status.substr(start, end - start));
    if (end >= status.size()) break;
    start = end + 1;
  }
  if (words.size() < 2) return invalid();
  int code = -1;
  auto [ptr, ec] = std::from_chars(words[1].data(), words[1].data() + words[1].size(), code);
  if (ec != std::errc() || ptr != words[1].data() + words[1].size()) code = -1;

  HeaderFields fields;
  for (size_t i = 1; i < lines.size(); ++i) {
    const size_t colon = lines[i].find(':');
    if (colon == std::string_view::npos) break;
    fields[platform::lowercasedASCII(trim(lines[i].substr(0, colon)))] = std::string(trim(lines[i].substr(colon + 1)));
  }
  if (code != kHTTPSwitchingProtocols) {
    return report(HTTPEvent::Failure{makeError<HTTPUpgradeError>(HTTPUpgradeError::notAnUpgrade(code))});
  }
  report(HTTPEvent::Success{std::move(fields)});
}

}  // namespace qor
