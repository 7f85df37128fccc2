// The second data source of a tenant action: the identifier of the tenant to refresh. The run's nonce comes from
// the action's QORClientActionDataSource.
#pragma once

#include <cstdint>
#include <optional>

namespace qor {

class QORUpdateTenantActionDataSource {
 public:
  virtual ~QORUpdateTenantActionDataSource() = default;
  virtual std::optional<int64_t> tenantId() const = 0;
};

}  // namespace qor
