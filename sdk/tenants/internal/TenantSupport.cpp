#include "sdk/tenants/internal/TenantSupport.h"

#include "common/storage/QORCommonData.h"
#include "sdk/authorization/internal/BodyMembers.h"

namespace qor::internal {

std::optional<platform::Json> tenantBody(const QORBaseRequestData& body, const char* name,
                                         std::optional<platform::Json> value) {
  platform::Json dictionary = baseBodyMembers(body);
  if (auto externalId = QORCommonData::externalId()) dictionary["appExternalId"] = *externalId;
  if (value) dictionary[name] = std::move(*value);
  return withExactCount(std::move(dictionary), 3);
}

}  // namespace qor::internal
