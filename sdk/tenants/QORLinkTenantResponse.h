// The link answer: the identifier of the tenant just linked. The opened body is not kept.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "sdk/tenants/QORTenantResponse.h"

namespace qor {

class QORLinkTenantResponse : public QORTenantResponse {
 public:
  static std::shared_ptr<QORLinkTenantResponse> create() {
    return std::shared_ptr<QORLinkTenantResponse>(new QORLinkTenantResponse());
  }

  // nullopt until a body was set.
  const std::optional<int64_t>& tenantId() const { return tenantId_; }
  // "tenantId" as a 64-bit integer (a number or a decimal text; 0 when missing or of another type).
  void setDecryptedBody(std::optional<platform::Json> body) override;

 protected:
  QORLinkTenantResponse() = default;

 private:
  std::optional<int64_t> tenantId_;
};

}  // namespace qor
