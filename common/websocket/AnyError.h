// The error that a part of the WebSocket stack reports: any of its own error types (`WSError`,
// `HTTPUpgradeError`, the transports' errors) or an error object of the platform's network stack.
// Receivers tell them apart with dynamic_cast (`errorAs<WSError>(e)`) and turn any of them into a
// platform error object with `bridged()`, which is how they reach the rest of the system.
//
// Immutable once made, so one error may be shared by several threads.
#pragma once

#include <memory>

#include "platform/Error.h"

namespace qor {

class AnyError {
 public:
  virtual ~AnyError() = default;
  // The platform's standard bridging to an error object: the domain names the error type, the code
  // is the case position for an enumeration and 1 for a structure.
  virtual platform::Error bridged() const = 0;
};

// Shared, so an error can travel through events unchanged; empty when a failure came without one.
using ErrorPtr = std::shared_ptr<const AnyError>;

template <class E, class... Args>
ErrorPtr makeError(Args&&... args) {
  return std::make_shared<const E>(std::forward<Args>(args)...);
}

template <class E>
const E* errorAs(const ErrorPtr& error) {
  return dynamic_cast<const E*>(error.get());
}

// An error object of the platform carried as it came (refused or lost connections, TLS failures).
class PlatformError final : public AnyError {
 public:
  explicit PlatformError(platform::Error error) : error_(std::move(error)) {}
  const platform::Error& error() const { return error_; }
  platform::Error bridged() const override { return error_; }

 private:
  platform::Error error_;
};

}  // namespace qor
