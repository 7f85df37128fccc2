#include "sdk/tenants/QORLinkTenantResponse.h"

#include "common/request/DictionaryQOR.h"

namespace qor {

void QORLinkTenantResponse::setDecryptedBody(std::optional<platform::Json> body) {
  if (!body) return;
  tenantId_ = integerValueForKey(*body, "tenantId").value_or(0);
}

}  // namespace qor
