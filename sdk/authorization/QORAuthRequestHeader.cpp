#include "sdk/authorization/QORAuthRequestHeader.h"

#include "common/crypto/QORCryptUtilsB64.h"
#include "common/crypto/QORCryptUtilsSymmetric.h"
#include "common/storage/QORCommonData.h"
#include "sdk/internal/ExactCount.h"

namespace qor {

std::shared_ptr<QORAuthRequestHeader> QORAuthRequestHeader::create(std::optional<int64_t> type,
                                                                   std::shared_ptr<QORSecretKey> sharedSecretDh) {
  return std::shared_ptr<QORAuthRequestHeader>(new QORAuthRequestHeader(type, std::move(sharedSecretDh)));
}

QORAuthRequestHeader::QORAuthRequestHeader(std::optional<int64_t> type, std::shared_ptr<QORSecretKey> sharedSecretDh)
    : sharedSecretDh_(std::move(sharedSecretDh)) {
  setType(type);
  setNIV(QORCryptUtilsSymmetric::generateIV());
}

std::optional<platform::Json> QORAuthRequestHeader::requestDictionary() const {
  platform::Json dictionary = platform::Json::object();
  if (type()) dictionary["type"] = *type();
  if (auto iv = QORCryptUtilsB64::encodeDataToString(nIV())) dictionary["nIV"] = *iv;
  if (auto enrollmentId = QORCommonData::enrollmentId()) dictionary["enrollmentId"] = *enrollmentId;
  return internal::withExactCount(std::move(dictionary), 3);
}

}  // namespace qor
