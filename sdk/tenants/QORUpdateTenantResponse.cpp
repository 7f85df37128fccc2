#include "sdk/tenants/QORUpdateTenantResponse.h"

namespace qor {

void QORUpdateTenantResponse::setDecryptedBody(std::optional<platform::Json> body) {
  const platform::Json dictionary = body ? *body : platform::Json::object();
  tenantName_ = platform::stringMember(dictionary, "tenantName");
  theme_ = QORTheme::create(tenantName_);
  const platform::Json* theme = platform::member(dictionary, "theme");
  theme_->setResponseDictionary(theme ? *theme : platform::Json());
}

}  // namespace qor
