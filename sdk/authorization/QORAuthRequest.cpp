#include "sdk/authorization/QORAuthRequest.h"

#include "common/crypto/QORCryptUtilsSymmetric.h"
#include "sdk/authorization/QORAuthRequestHeader.h"

namespace qor {

std::shared_ptr<QORAuthRequest> QORAuthRequest::create() {
  return std::shared_ptr<QORAuthRequest>(new QORAuthRequest());
}

platform::OptBytes QORAuthRequest::encryptRequestData(const platform::OptBytes& data) const {
  auto header = std::dynamic_pointer_cast<QORAuthRequestHeader>(this->header());
  if (!data || !header) return std::nullopt;
  return QORCryptUtilsSymmetric::encryptData(data, header->sharedSecretDh(), header->nIV());
}

}  // namespace qor
