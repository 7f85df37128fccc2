// The bank's side around the protocol, as the demo plays it: asking the server for a transaction
// (a real backend would push its session identifier to the phone; the reference server answers it)
// and for a linking code. JSON over HTTPS on the platform's URL session.
//
// Main queue: each call runs the main queue until its answer is in.
#pragma once

#include <optional>
#include <string>

#include "platform/Json.h"

namespace demo {

class DemoBackend {
 public:
  explicit DemoBackend(std::string host) : host_(std::move(host)) {}

  // The session identifier of a new transaction of that kind ("confirm", "pin", "biometric").
  std::optional<int64_t> requestTransaction(const std::string& installationId, const std::string& kind,
                                            std::string& error) const;
  // A linking code for a new tenant.
  std::optional<std::string> requestLinkingCode(std::string& error) const;

 private:
  std::optional<platform::Json> post(const std::string& path, const platform::Json& body, std::string& error) const;

  std::string host_;
};

}  // namespace demo
