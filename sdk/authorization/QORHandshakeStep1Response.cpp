#include "sdk/authorization/QORHandshakeStep1Response.h"

namespace qor {

std::shared_ptr<QORHandshakeStep1Response> QORHandshakeStep1Response::create() {
  return std::shared_ptr<QORHandshakeStep1Response>(new QORHandshakeStep1Response());
}

void QORHandshakeStep1Response::setResponseDictionary(const platform::Json& dictionary) {
  QORBaseResponse::setResponseDictionary(dictionary);
  skVTN_ = platform::stringMember(dictionary, "skVTN");
}

void QORHandshakeStep1Response::setDecryptedBody(std::optional<platform::Json> body) {
  pubVTNDHBase64_ = body ? platform::stringMember(*body, "pubVTNDH") : std::nullopt;
}

}  // namespace qor
