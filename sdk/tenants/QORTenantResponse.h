// The answers of the tenant gateway: the sealed body under "encryptedData" and the signature under
// "signGateway"; the status stays "status". The unlink answer is this class itself. Used on the
// queue of the action that received it.
#pragma once

#include <memory>
#include <string>

#include "common/request/QORBaseResponse.h"

namespace qor {

class QORTenantResponse : public QORBaseResponse {
 public:
  static std::shared_ptr<QORTenantResponse> create() {
    return std::shared_ptr<QORTenantResponse>(new QORTenantResponse());
  }

  std::string encryptedBodyKey() const override { return "encryptedData"; }
  std::string signatureKey() const override { return "signGateway"; }

 protected:
  QORTenantResponse() = default;
};

}  // namespace qor
