// An HTTP/1.1 message: one that is built and serialised for the wire (a request, or a response), or
// one whose header is read from bytes as they arrive (a response, or a request).
//
// Field names compare without regard to letter case; fields keep the order and spelling in which
// they were first set or read. A plain value: no internal synchronisation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Bytes.h"
#include "platform/QORPlatformExport.h"
#include "platform/URL.h"
#include "platform/http/HTTPFieldName.h"

namespace platform {

class QOR_PLATFORM_EXPORT HTTPMessage {
 public:
  // A header longer than this is refused.
  static constexpr size_t kMaximumHeaderSize = 64 * 1024;

  static HTTPMessage request(std::string method, const URL& url);
  // A response to build: status line "<version> <code> <text>"; an empty text takes the standard
  // reason phrase of the code (none for a code it does not know).
  static HTTPMessage response(int statusCode, std::string statusText = {}, std::string version = "HTTP/1.1");
  // Messages to read from received bytes.
  static HTTPMessage emptyResponse();
  static HTTPMessage emptyRequest();

  bool isRequest() const { return isRequest_; }

  // Replaces the field's value, or adds the field. A name that is not a token or a value with CR,
  // LF or NUL is refused (false) and nothing changes.
  bool setHeaderFieldValue(std::string_view name, std::string_view value);
  std::optional<std::string> headerFieldValue(std::string_view name) const;
  // In order; a field that a response repeats appears once, its values joined with ", ".
  const std::vector<std::pair<std::string, std::string>>& allHeaderFields() const { return fields_; }

  void setBody(Bytes body) { body_ = std::move(body); }
  const Bytes& body() const { return body_; }

  // Request line (method, path and query, HTTP/1.1) or status line, one line per field, an empty
  // line, the body; lines end in CR LF. Empty for a request whose method is not a token.
  Bytes serializedMessage() const;

  // Messages being read. Appends received bytes; false once the header is malformed or too long,
  // after which the message takes no more bytes. Bytes after the header are kept as the body.
  // A request's head: "<method> <target> HTTP/<d>.<d>" (empty lines before it are skipped, RFC 9112
  // section 2.2), then the fields; a response's: "HTTP/<d>.<d> <ddd> <reason>", then the fields.
  bool appendBytes(const uint8_t* data, size_t size);
  bool appendBytes(const Bytes& data) { return appendBytes(data.data(), data.size()); }
  bool isHeaderComplete() const { return headerComplete_; }
  // 0 until the header is complete, and for requests.
  int statusCode() const { return statusCode_; }
  const std::string& statusReason() const { return statusReason_; }
  // A request's method and target as they were written; empty until the header is complete.
  const std::string& requestMethod() const { return method_; }
  const std::string& target() const { return target_; }

  // The path and query of a URL as a request line carries them ("/" for an empty path).
  static std::string requestTarget(const URL& url);

 private:
  HTTPMessage() = default;
  bool parseHeader(std::string_view header);
  bool parseStatusLine(std::string_view line);
  bool parseRequestLine(std::string_view line);
  void addReceivedField(std::string name, std::string value);

  bool isRequest_ = false;
  bool isReceived_ = false;  // read from bytes rather than built
  std::string method_;
  std::string target_;
  std::string version_ = "HTTP/1.1";
  std::vector<std::pair<std::string, std::string>> fields_;
  Bytes body_;

  Bytes pending_;
  bool headerComplete_ = false;
  bool failed_ = false;
  int statusCode_ = 0;
  std::string statusReason_;
};


}  // namespace platform
