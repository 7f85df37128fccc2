// Unlink tenant (type 203): ends the link with a tenant, named by its identifier. Sealed with a fresh AES key under the
// base header, sent with PUT to the tenant gateway over HTTPS only.
//
// Main queue only (checked by the base action); holds its data source, its second data source and its delegate weakly.
#pragma once

#include <memory>

#include "common/actions/QORBaseClientAction.h"
#include "sdk/tenants/QORUnlinkTenantActionDataSource.h"

namespace qor {

class QORUnlinkTenantAction : public QORBaseClientAction {
 public:
  static std::shared_ptr<QORUnlinkTenantAction> create();

  std::weak_ptr<QORUnlinkTenantActionDataSource> unlinkingCodeDataSource() const { return unlinkingCodeDataSource_; }
  void setUnlinkingCodeDataSource(std::weak_ptr<QORUnlinkTenantActionDataSource> source) {
    unlinkingCodeDataSource_ = std::move(source);
  }

  std::optional<int64_t> actionType() const override;
  std::optional<std::string> urlPath() const override;
  std::string httpMethod() const override { return "PUT"; }
  QORRequestClass requestClass() const override;
  QORResponseClass responseClass() const override;
  std::shared_ptr<QORBaseRequestData> createRequestData() override;

 protected:
  QORUnlinkTenantAction() = default;

 private:
  std::weak_ptr<QORUnlinkTenantActionDataSource> unlinkingCodeDataSource_;
};

}  // namespace qor
