#include "common/request/QORBaseResponse.h"

#include "common/request/QORJsonByteObjectConverter.h"

namespace qor {

std::shared_ptr<QORBaseResponse> QORBaseResponse::create() {
  return std::shared_ptr<QORBaseResponse>(new QORBaseResponse());
}

void QORBaseResponse::setResponseDictionary(const platform::Json& dictionary) {
  encryptedBody_ = platform::stringMember(dictionary, encryptedBodyKey().c_str());
  signature_ = platform::stringMember(dictionary, signatureKey().c_str());
  if (const platform::Json* status = platform::member(dictionary, statusKey().c_str())) {
    status_ = *status;
  } else {
    status_.reset();
  }
}

std::shared_ptr<QORBaseResponse> responseFromData(const platform::OptBytes& data, const QORResponseClass& responseClass) {
  if (!responseClass) return nullptr;
  auto dictionary = QORJsonByteObjectConverter::dictionaryFromData(data);
  if (!dictionary) return nullptr;
  auto response = responseClass();
  if (!response) return nullptr;
  response->setResponseDictionary(*dictionary);
  return response;
}

}  // namespace qor
