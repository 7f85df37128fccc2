#include "sdk/tenants/QORUnlinkTenantAction.h"

#include "common/actions/QORClientActionConstants.h"
#include "sdk/tenants/QORTenantRequest.h"
#include "sdk/tenants/QORTenantResponse.h"
#include "sdk/tenants/QORUnlinkTenantRequestData.h"

namespace qor {

std::shared_ptr<QORUnlinkTenantAction> QORUnlinkTenantAction::create() {
  return std::shared_ptr<QORUnlinkTenantAction>(new QORUnlinkTenantAction());
}

std::optional<int64_t> QORUnlinkTenantAction::actionType() const { return QORClientActionTypeUnlinkTenant; }

std::optional<std::string> QORUnlinkTenantAction::urlPath() const { return std::string(QORClientActionPathLinkTenant); }

QORRequestClass QORUnlinkTenantAction::requestClass() const { return requestClassOf<QORTenantRequest>(); }

QORResponseClass QORUnlinkTenantAction::responseClass() const { return responseClassOf<QORTenantResponse>(); }

std::shared_ptr<QORBaseRequestData> QORUnlinkTenantAction::createRequestData() {
  auto nonceSource = dataSource().lock();
  auto valueSource = unlinkingCodeDataSource_.lock();
  return QORUnlinkTenantRequestData::create(nonceSource ? nonceSource->nonce() : std::nullopt,
                                            valueSource ? valueSource->fetchTenantId() : std::nullopt);
}

}  // namespace qor
