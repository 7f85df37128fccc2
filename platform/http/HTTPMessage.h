// An HTTP/1.1 message: a request that is serialised for the wire, or a response whose header is
// read from bytes as they arrive.
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
#include "platform/URL.h"
#include "platform/http/HTTPFieldName.h"

namespace platform {

class HTTPMessage {
 public:
  // A response header longer than this is refused.
  static constexpr size_t kMaximumHeaderSize = 64 * 1024;

  static HTTPMessage request(std::string method, const URL& url);
  static HTTPMessage emptyResponse();

  bool isRequest() const { return isRequest_; }

  // Replaces the field's value, or adds the field. A name that is not a token or a value with CR,
  // LF or NUL is refused (false) and nothing changes.
  bool setHeaderFieldValue(std::string_view name, std::string_view value);
  std::optional<std::string> headerFieldValue(std::string_view name) const;
  // In order; a field that a response repeats appears once, its values joined with ", ".
  const std::vector<std::pair<std::string, std::string>>& allHeaderFields() const { return fields_; }

  void setBody(Bytes body) { body_ = std::move(body); }
  const Bytes& body() const { return body_; }

  // Request line (method, path and query, HTTP/1.1), one line per field, an empty line, the body;
  // lines end in CR LF.
  Bytes serializedMessage() const;

  // Response side. Appends received bytes; false once the header is malformed or too long, after
  // which the message takes no more bytes. Bytes after the header are kept as the body.
  bool appendBytes(const uint8_t* data, size_t size);
  bool appendBytes(const Bytes& data) { return appendBytes(data.data(), data.size()); }
  bool isHeaderComplete() const { return headerComplete_; }
  // 0 until the header is complete.
  int statusCode() const { return statusCode_; }
  const std::string& statusReason() const { return statusReason_; }

  // The path and query of a URL as a request line carries them ("/" for an empty path).
  static std::string requestTarget(const URL& url);

 private:
  HTTPMessage() = default;
  bool parseHeader(std::string_view header);
  void addReceivedField(std::string name, std::string value);

  bool isRequest_ = false;
  std::string method_;
  std::string target_;
  std::vector<std::pair<std::string, std::string>> fields_;
  Bytes body_;

  Bytes pending_;
  bool headerComplete_ = false;
  bool failed_ = false;
  int statusCode_ = 0;
  std::string statusReason_;
};


}  // namespace platform
