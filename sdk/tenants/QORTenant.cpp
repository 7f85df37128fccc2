#include "sdk/tenants/QORTenant.h"

namespace qor {

std::shared_ptr<QORTenant> QORTenant::create(std::optional<std::string> name, std::optional<int64_t> tenantId,
                                             std::shared_ptr<QORTheme> theme) {
  auto tenant = std::shared_ptr<QORTenant>(new QORTenant());
  tenant->name_ = std::move(name);
  tenant->tenantId_ = tenantId;
  tenant->theme_ = std::move(theme);
  return tenant;
}

std::optional<std::string> QORTenant::name() const {
  std::lock_guard lock(mutex_);
  return name_;
}

void QORTenant::setName(std::optional<std::string> name) {
  std::lock_guard lock(mutex_);
  name_ = std::move(name);
}

std::optional<int64_t> QORTenant::tenantId() const {
  std::lock_guard lock(mutex_);
  return tenantId_;
}

void QORTenant::setTenantId(std::optional<int64_t> tenantId) {
  std::lock_guard lock(mutex_);
  tenantId_ = tenantId;
}

std::shared_ptr<QORTheme> QORTenant::theme() const {
  std::lock_guard lock(mutex_);
  return theme_;
}

void QORTenant::setTheme(std::shared_ptr<QORTheme> theme) {
  std::lock_guard lock(mutex_);
  theme_ = std::move(theme);
}

}  // namespace qor
