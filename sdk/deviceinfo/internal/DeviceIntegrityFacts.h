// Facts 10 and 12 of the device-facts table report the device-integrity check that the
// authorization commit also carries: 10 "isIntegrityCompromised" (any finding), 12
// "integrityFindings" (the names of the findings, in the check's order).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/Json.h"

namespace qor::internal {

// The key and value of fact 10 or 12; nullopt leaves the fact out of the table.
std::optional<std::pair<std::string, platform::Json>> deviceIntegrityFact(int64_t number);

}  // namespace qor::internal
