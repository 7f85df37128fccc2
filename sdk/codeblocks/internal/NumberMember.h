// Reads a JSON number member as an integer the way the code blocks need it: only a number counts
// (a text, boolean, null, array or object is treated as absent); a fraction is cut off toward zero
// and values beyond the target range saturate at its ends.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>

#include "common/request/DictionaryQOR.h"
#include "platform/Json.h"

namespace qor::internal {

inline std::optional<int64_t> int64NumberMember(const platform::Json& object, const char* key) {
  const platform::Json* value = platform::member(object, key);
  if (!value || !value->is_number()) return std::nullopt;
  return integerValueForKey(object, key);
}

inline std::optional<int32_t> int32NumberMember(const platform::Json& object, const char* key) {
  auto value = int64NumberMember(object, key);
  if (!value) return std::nullopt;
  constexpr int64_t lo = std::numeric_limits<int32_t>::min();
  constexpr int64_t hi = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(*value < lo ? lo : (*value > hi ? hi : *value));
}

}  // namespace qor::internal
