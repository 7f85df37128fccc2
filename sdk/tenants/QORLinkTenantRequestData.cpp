#include "sdk/tenants/QORLinkTenantRequestData.h"

#include "sdk/tenants/internal/TenantSupport.h"

namespace qor {

std::shared_ptr<QORLinkTenantRequestData> QORLinkTenantRequestData::create(platform::OptBytes nonce,
                                                                           std::optional<std::string> linkingCode) {
  return std::shared_ptr<QORLinkTenantRequestData>(
      new QORLinkTenantRequestData(std::move(nonce), std::move(linkingCode)));
}

std::optional<platform::Json> QORLinkTenantRequestData::requestDictionary() const {
  return internal::tenantBody(*this, "linkingCode",
                              linkingCode_ ? std::optional<platform::Json>(*linkingCode_) : std::nullopt);
}

}  // namespace qor
