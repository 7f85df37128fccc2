#include "sdk/tenants/QORUnlinkTenantRequestData.h"

#include <string>

#include "sdk/tenants/internal/TenantSupport.h"

namespace qor {

std::shared_ptr<QORUnlinkTenantRequestData> QORUnlinkTenantRequestData::create(platform::OptBytes nonce,
                                                                               std::optional<int64_t> tenantId) {
  return std::shared_ptr<QORUnlinkTenantRequestData>(new QORUnlinkTenantRequestData(std::move(nonce), tenantId));
}

std::optional<platform::Json> QORUnlinkTenantRequestData::requestDictionary() const {
  return internal::tenantBody(*this, "tenantId",
                              tenantId_ ? std::optional<platform::Json>(std::to_string(*tenantId_)) : std::nullopt);
}

}  // namespace qor
