// The envelope of the tenant gateway: the base envelope with the sealed body under "encryptedData",
// {"installationId", "encryptedHeader", "encryptedData"}. Made for one `start` of an action.
#pragma once

#include <memory>

#include "common/request/QORBaseRequest.h"

namespace qor {

class QORTenantRequest : public QORBaseRequest {
 public:
  static std::shared_ptr<QORTenantRequest> create() {
    return std::shared_ptr<QORTenantRequest>(new QORTenantRequest());
  }

  std::optional<std::string> requestDataKey() const override { return std::string("encryptedData"); }

 protected:
  QORTenantRequest() = default;
};

}  // namespace qor
