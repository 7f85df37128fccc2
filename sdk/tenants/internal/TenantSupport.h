// The tenant bodies: exactly the nonce, the stored external identifier and one value.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/request/QORBaseRequestData.h"
#include "platform/Json.h"

namespace qor::internal {

// {"nonceQOR", "appExternalId", <name>: value}; nullopt unless all three are there.
std::optional<platform::Json> tenantBody(const QORBaseRequestData& body, const char* name,
                                         std::optional<platform::Json> value);

}  // namespace qor::internal
