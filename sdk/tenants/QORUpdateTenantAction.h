// Update tenant (type 202): asks for a linked tenant's name and theme by its identifier. Sealed with a fresh AES key
// under the base header, sent with PUT to the tenant gateway over HTTPS only.
//
// Main queue only (checked by the base action); holds its data source, its second data source and its delegate weakly.
#pragma once

#include <memory>

#include "common/actions/QORBaseClientAction.h"
#include "sdk/tenants/QORUpdateTenantActionDataSource.h"

namespace qor {

class QORUpdateTenantAction : public QORBaseClientAction {
 public:
  static std::shared_ptr<QORUpdateTenantAction> create();

  std::weak_ptr<QORUpdateTenantActionDataSource> tenantIdDataSource() const { return tenantIdDataSource_; }
  void setTenantIdDataSource(std::weak_ptr<QORUpdateTenantActionDataSource> source) {
    tenantIdDataSource_ = std::move(source);
  }

  std::optional<int64_t> actionType() const override;
  std::optional<std::string> urlPath() const override;
  std::string httpMethod() const override { return "PUT"; }
  QORRequestClass requestClass() const override;
  QORResponseClass responseClass() const override;
  std::shared_ptr<QORBaseRequestData> createRequestData() override;

 protected:
  QORUpdateTenantAction() = default;

 private:
  std::weak_ptr<QORUpdateTenantActionDataSource> tenantIdDataSource_;
};

}  // namespace qor
