// A mutable URL request as the URL session and the WebSocket transports take it: the URL, the HTTP
// method, the header fields, an optional body and a time-out.
//
// Header field names compare case-insensitively; the fields keep the order in which they were first
// set and the spelling of that first name. A name that is not an HTTP token, or a value holding CR, LF
// or NUL, is refused (the call returns false and changes nothing), so no caller can split a request
// line or inject a field through a stored value. A plain value: no internal synchronisation.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Bytes.h"
#include "platform/QORPlatformExport.h"
#include "platform/URL.h"

namespace platform {

// Header fields in order: name and value.
using HTTPHeaderFields = std::vector<std::pair<std::string, std::string>>;

class QOR_PLATFORM_EXPORT URLRequest {
 public:
  // The platform's default time-out, in seconds.
  static constexpr double kDefaultTimeoutInterval = 60.0;

  URLRequest() = default;
  explicit URLRequest(std::optional<URL> url) : url_(std::move(url)) {}

  const std::optional<URL>& url() const { return url_; }
  void setURL(std::optional<URL> url) { url_ = std::move(url); }

  // "GET" unless set.
  const std::string& httpMethod() const { return httpMethod_; }
  void setHTTPMethod(std::string method) { httpMethod_ = std::move(method); }

  // Replaces the field's value (or adds the field); nullopt removes it.
  bool setValue(const std::optional<std::string>& value, std::string_view field);
  // Joins the value onto an existing field with "," (no blank), or adds the field.
  bool addValue(std::string_view value, std::string_view field);
  std::optional<std::string> value(std::string_view field) const;
  // Replaces every field by the given ones, set in order (a later name equal to an earlier one but
  // for case replaces its value). Refused entries are skipped; false when there was one.
  bool setAllHTTPHeaderFields(const HTTPHeaderFields& fields);
  const HTTPHeaderFields& allHTTPHeaderFields() const { return fields_; }

  const OptBytes& httpBody() const { return httpBody_; }
  void setHTTPBody(OptBytes body) { httpBody_ = std::move(body); }

  double timeoutInterval() const { return timeoutInterval_; }
  void setTimeoutInterval(double seconds) { timeoutInterval_ = seconds; }

 private:
  std::optional<URL> url_;
  std::string httpMethod_ = "GET";
  HTTPHeaderFields fields_;
  OptBytes httpBody_;
  double timeoutInterval_ = kDefaultTimeoutInterval;
};

}  // namespace platform
