#include "sdk/authorization/QORHandshakeStep1RequestData.h"

#include "sdk/authorization/internal/BodyMembers.h"

namespace qor {

std::shared_ptr<QORHandshakeStep1RequestData> QORHandshakeStep1RequestData::create(platform::OptBytes nonce,
                                                                                   std::shared_ptr<QORSecretKey> pubQORDH) {
  return std::shared_ptr<QORHandshakeStep1RequestData>(new QORHandshakeStep1RequestData(std::move(nonce), std::move(pubQORDH)));
}

QORHandshakeStep1RequestData::QORHandshakeStep1RequestData(platform::OptBytes nonce, std::shared_ptr<QORSecretKey> pubQORDH)
    : QORBaseRequestData(std::move(nonce)), pubQORDH_(std::move(pubQORDH)) {}

std::optional<platform::Json> QORHandshakeStep1RequestData::requestDictionary() const {
  platform::Json dictionary = internal::baseBodyMembers(*this);
  internal::putKeyBytes(dictionary, "pubQORDH", pubQORDH_);
  return internal::withExactCount(std::move(dictionary), 2);
}

}  // namespace qor
