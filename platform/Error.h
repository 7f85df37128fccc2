// Error values of the platform: a domain, a code and a user-info dictionary. Cheap to copy; a
// function that can fail returns one (or std::optional<Error>) instead of throwing.
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/QORPlatformExport.h"

namespace platform {

struct QOR_PLATFORM_EXPORT Error {
  std::string domain;
  int64_t code = 0;
  nlohmann::json userInfo = nlohmann::json::object();

  static Error make(std::string domain, int64_t code, nlohmann::json userInfo = nlohmann::json::object());

  // The user-info text under "NSLocalizedDescription" when there is one, else "<domain> error <code>".
  std::string localizedDescription() const;

  bool operator==(const Error& other) const = default;
};

// The user-info key of a human-readable description.
inline constexpr const char* kLocalizedDescriptionKey = "NSLocalizedDescription";

}  // namespace platform
