// What the link and update tenant flows hand to the host app: the tenant's name, identifier and
// theme, each absent unless the step that supplies it succeeded.
//
// Properties are atomic: any thread may read or set them.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "common/theme/QORTheme.h"
#include "sdk/QORExport.h"

namespace qor {

class QOR_EXPORT QORTenant {
 public:
  // initWithTenantName:tenantId:theme:
  static std::shared_ptr<QORTenant> create(std::optional<std::string> name, std::optional<int64_t> tenantId,
                                           std::shared_ptr<QORTheme> theme);

  std::optional<std::string> name() const;
  void setName(std::optional<std::string> name);
  std::optional<int64_t> tenantId() const;
  void setTenantId(std::optional<int64_t> tenantId);
  std::shared_ptr<QORTheme> theme() const;
  void setTheme(std::shared_ptr<QORTheme> theme);

 private:
  QORTenant() = default;

  mutable std::mutex mutex_;
  std::optional<std::string> name_;
  std::optional<int64_t> tenantId_;
  std::shared_ptr<QORTheme> theme_;
};

}  // namespace qor
