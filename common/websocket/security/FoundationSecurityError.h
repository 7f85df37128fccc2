// The trust evaluation's own error type; nothing raises it (refusals carry the evaluation's error).
#pragma once

#include "common/websocket/AnyError.h"

namespace qor {

class FoundationSecurityError final : public AnyError {
 public:
  // Case order is the bridged code.
  enum class Kind { invalidRequest };

  static FoundationSecurityError invalidRequest() { return FoundationSecurityError(Kind::invalidRequest); }
  Kind kind() const { return kind_; }
  // Domain "qor.FoundationSecurityError", code the case position.
  platform::Error bridged() const override;

 private:
  explicit FoundationSecurityError(Kind kind) : kind_(kind) {}
  Kind kind_;
};

// Domain of the error objects that the legacy evaluation (systems before 12) makes for a refusal.
inline constexpr const char* kFoundationSecurityErrorDomain = "FoundationSecurityError";

}  // namespace qor
