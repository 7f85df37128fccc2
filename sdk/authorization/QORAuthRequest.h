// A request whose body is sealed with the agreed ECDH secret that its QORAuthRequestHeader
// carries, under the header's IV; the rest of the envelope is the base request's.
#pragma once

#include <memory>

#include "common/request/QORBaseRequest.h"

namespace qor {

class QORAuthRequest : public QORBaseRequest {
 public:
  static std::shared_ptr<QORAuthRequest> create();

  // AES-GCM under the header's secret and IV; nullopt without a QORAuthRequestHeader or a secret.
  platform::OptBytes encryptRequestData(const platform::OptBytes& data) const override;

 protected:
  QORAuthRequest() = default;
};

}  // namespace qor
