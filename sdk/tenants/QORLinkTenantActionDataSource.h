// The second data source of a tenant action: the linking code the user got from the provider. The run's nonce comes
// from the action's QORClientActionDataSource.
#pragma once

#include <optional>
#include <string>

namespace qor {

class QORLinkTenantActionDataSource {
 public:
  virtual ~QORLinkTenantActionDataSource() = default;
  virtual std::optional<std::string> linkCode() const = 0;
};

}  // namespace qor
