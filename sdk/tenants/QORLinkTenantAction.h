// Link tenant (type 201): sends the linking code the user got from a service provider; the answer names the new
// tenant's identifier. Sealed with a fresh AES key under the base header, sent with PUT to the tenant gateway over
// HTTPS only.
//
// Main queue only (checked by the base action); holds its data source, its second data source and its delegate weakly.
#pragma once

#include <memory>

#include "common/actions/QORBaseClientAction.h"
#include "sdk/tenants/QORLinkTenantActionDataSource.h"

namespace qor {

class QORLinkTenantAction : public QORBaseClientAction {
 public:
  static std::shared_ptr<QORLinkTenantAction> create();

  std::weak_ptr<QORLinkTenantActionDataSource> linkingCodeDataSource() const { return linkingCodeDataSource_; }
  void setLinkingCodeDataSource(std::weak_ptr<QORLinkTenantActionDataSource> source) {
    linkingCodeDataSource_ = std::move(source);
  }

  std::optional<int64_t> actionType() const override;
  std::optional<std::string> urlPath() const override;
  std::string httpMethod() const override { return "PUT"; }
  QORRequestClass requestClass() const override;
  QORResponseClass responseClass() const override;
  std::shared_ptr<QORBaseRequestData> createRequestData() override;

 protected:
  QORLinkTenantAction() = default;

 private:
  std::weak_ptr<QORLinkTenantActionDataSource> linkingCodeDataSource_;
};

}  // namespace qor
