#include "sdk/tenants/QORUpdateTenantAction.h"

#include "common/actions/QORClientActionConstants.h"
#include "sdk/tenants/QORTenantRequest.h"
#include "sdk/tenants/QORUpdateTenantRequestData.h"
#include "sdk/tenants/QORUpdateTenantResponse.h"

namespace qor {

std::shared_ptr<QORUpdateTenantAction> QORUpdateTenantAction::create() {
  return std::shared_ptr<QORUpdateTenantAction>(new QORUpdateTenantAction());
}

std::optional<int64_t> QORUpdateTenantAction::actionType() const { return QORClientActionTypeUpdateTenant; }

std::optional<std::string> QORUpdateTenantAction::urlPath() const { return std::string(QORClientActionPathLinkTenant); }

QORRequestClass QORUpdateTenantAction::requestClass() const { return requestClassOf<QORTenantRequest>(); }

QORResponseClass QORUpdateTenantAction::responseClass() const { return responseClassOf<QORUpdateTenantResponse>(); }

std::shared_ptr<QORBaseRequestData> QORUpdateTenantAction::createRequestData() {
  auto nonceSource = dataSource().lock();
  auto valueSource = tenantIdDataSource_.lock();
  return QORUpdateTenantRequestData::create(nonceSource ? nonceSource->nonce() : std::nullopt,
                                            valueSource ? valueSource->tenantId() : std::nullopt);
}

}  // namespace qor
