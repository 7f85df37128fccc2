#include "sdk/authorization/QORHandshakeStep2RequestData.h"

#include "sdk/authorization/internal/BodyMembers.h"

namespace qor {

std::shared_ptr<QORHandshakeStep2RequestData> QORHandshakeStep2RequestData::create(platform::OptBytes nonce,
                                                                                   std::shared_ptr<QORSecretKey> pubQORDH,
                                                                                   std::shared_ptr<QORSecretKey> pubVTNDH) {
  return std::shared_ptr<QORHandshakeStep2RequestData>(
      new QORHandshakeStep2RequestData(std::move(nonce), std::move(pubQORDH), std::move(pubVTNDH)));
}

QORHandshakeStep2RequestData::QORHandshakeStep2RequestData(platform::OptBytes nonce,
                                                           std::shared_ptr<QORSecretKey> pubQORDH,
                                                           std::shared_ptr<QORSecretKey> pubVTNDH)
    : QORHandshakeStep1RequestData(std::move(nonce), std::move(pubQORDH)), pubVTNDH_(std::move(pubVTNDH)) {}

std::optional<platform::Json> QORHandshakeStep2RequestData::requestDictionary() const {
  platform::Json dictionary = internal::baseBodyMembers(*this);
  internal::putKeyBytes(dictionary, "pubQORDH", pubQORDH());
  internal::putKeyBytes(dictionary, "pubVTNDH", pubVTNDH_);
  return internal::withExactCount(std::move(dictionary), 3);
}

}  // namespace qor
