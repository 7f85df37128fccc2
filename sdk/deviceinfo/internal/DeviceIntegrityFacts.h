// The seam between the device-facts table and the device-integrity check of the authorization flow:
// facts 10 and 12 of the table report that check's findings, under keys the check chooses.
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
