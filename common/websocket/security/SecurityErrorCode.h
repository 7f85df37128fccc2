// Codes of the security errors (the `code` of a WSError of type securityError).
#pragma once

#include <cstdint>
#include <optional>

namespace qor {

enum class SecurityErrorCode : uint16_t { acceptFailed = 1, pinningFailed = 2 };

constexpr std::optional<SecurityErrorCode> securityErrorCodeFromRaw(uint16_t raw) {
  if (raw == 1 || raw == 2) return static_cast<SecurityErrorCode>(raw);
  return std::nullopt;
}

}  // namespace qor
