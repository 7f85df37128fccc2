#include "sdk/tenants/QORUpdateTenantRequestData.h"

#include "sdk/tenants/internal/TenantSupport.h"

namespace qor {

std::shared_ptr<QORUpdateTenantRequestData> QORUpdateTenantRequestData::create(platform::OptBytes nonce,
                                                                               std::optional<int64_t> tenantId) {
  return std::shared_ptr<QORUpdateTenantRequestData>(new QORUpdateTenantRequestData(std::move(nonce), tenantId));
}

std::optional<platform::Json> QORUpdateTenantRequestData::requestDictionary() const {
  return internal::tenantBody(*this, "tenantId", tenantId_ ? std::optional<platform::Json>(*tenantId_) : std::nullopt);
}

}  // namespace qor
