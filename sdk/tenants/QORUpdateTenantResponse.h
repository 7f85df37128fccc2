// The update answer: the tenant's name and theme. The opened body is not kept.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/theme/QORTheme.h"
#include "sdk/tenants/QORTenantResponse.h"

namespace qor {

class QORUpdateTenantResponse : public QORTenantResponse {
 public:
  static std::shared_ptr<QORUpdateTenantResponse> create() {
    return std::shared_ptr<QORUpdateTenantResponse>(new QORUpdateTenantResponse());
  }

  const std::optional<std::string>& tenantName() const { return tenantName_; }
  // nullptr until a body was set.
  const std::shared_ptr<QORTheme>& theme() const { return theme_; }
  // "tenantName" (text, else absent), and a theme titled with it and filled from the body's "theme"
  // object (without one it has no logo and no colours).
  void setDecryptedBody(std::optional<platform::Json> body) override;

 protected:
  QORUpdateTenantResponse() = default;

 private:
  std::optional<std::string> tenantName_;
  std::shared_ptr<QORTheme> theme_;
};

}  // namespace qor
