// Errors of the SDK's core: domain "QORErrorDomain", code 1000 plus an underlying code (1000 alone:
// none), and at most two user-info entries, the underlying error and a description.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Error.h"
#include "platform/Json.h"

namespace qor {

extern const char* const QORErrorDomain;
inline constexpr int64_t QORErrorDefaultCode = 1000;
// The code of a transport error whose underlying code is the platform's "not connected" (-1009).
inline constexpr int32_t DefaultInternetConnectionErrorCode = -9;

// The platform's user-info key of an underlying error (stored as {"domain", "code", "userInfo"}).
inline constexpr const char* kUnderlyingErrorKey = "NSUnderlyingError";

struct QORError {
  // Domain QORErrorDomain, code 1000, no user information.
  static platform::Error error();
  static platform::Error errorWithCode(int64_t code, const std::optional<platform::Error>& underlyingError,
                                       const std::optional<std::string>& localizedDescription);
  // The error stored under kUnderlyingErrorKey, when there is one.
  static std::optional<platform::Error> underlyingError(const platform::Error& error);
};

}  // namespace qor
