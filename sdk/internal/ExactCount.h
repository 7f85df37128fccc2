// Request and record dictionaries are kept only when they hold exactly their expected members, so
// that a missing value never goes out as a shorter message.
#pragma once

#include <cstddef>
#include <optional>

#include "platform/Json.h"

namespace qor::internal {

inline std::optional<platform::Json> withExactCount(platform::Json dictionary, size_t count) {
  if (dictionary.size() != count) return std::nullopt;
  return dictionary;
}

}  // namespace qor::internal
