#include "sdk/tenants/QORLinkTenantAction.h"

#include "common/actions/QORClientActionConstants.h"
#include "sdk/tenants/QORLinkTenantRequestData.h"
#include "sdk/tenants/QORLinkTenantResponse.h"
#include "sdk/tenants/QORTenantRequest.h"

namespace qor {

std::shared_ptr<QORLinkTenantAction> QORLinkTenantAction::create() {
  return std::shared_ptr<QORLinkTenantAction>(new QORLinkTenantAction());
}

std::optional<int64_t> QORLinkTenantAction::actionType() const { return QORClientActionTypeLinkTenant; }

std::optional<std::string> QORLinkTenantAction::urlPath() const { return std::string(QORClientActionPathLinkTenant); }

QORRequestClass QORLinkTenantAction::requestClass() const { return requestClassOf<QORTenantRequest>(); }

QORResponseClass QORLinkTenantAction::responseClass() const { return responseClassOf<QORLinkTenantResponse>(); }

std::shared_ptr<QORBaseRequestData> QORLinkTenantAction::createRequestData() {
  auto nonceSource = dataSource().lock();
  auto valueSource = linkingCodeDataSource_.lock();
  return QORLinkTenantRequestData::create(nonceSource ? nonceSource->nonce() : std::nullopt,
                                          valueSource ? valueSource->linkCode() : std::nullopt);
}

}  // namespace qor
