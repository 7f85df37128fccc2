// The second data source of a tenant action: the identifier of the tenant to unlink. The run's nonce comes from
// the action's QORClientActionDataSource.
#pragma once

#include <cstdint>
#include <optional>

namespace qor {

class QORUnlinkTenantActionDataSource {
 public:
  virtual ~QORUnlinkTenantActionDataSource() = default;
  virtual std::optional<int64_t> fetchTenantId() const = 0;
};

}  // namespace qor
