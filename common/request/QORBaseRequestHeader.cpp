#include "common/request/QORBaseRequestHeader.h"

#include <utility>

#include "common/crypto/QORCryptUtilsB64.h"
#include "common/crypto/QORCryptUtilsSymmetric.h"

namespace qor {

std::shared_ptr<QORBaseRequestHeader> QORBaseRequestHeader::create(std::optional<int64_t> type) {
  return std::shared_ptr<QORBaseRequestHeader>(new QORBaseRequestHeader(type));
}

QORBaseRequestHeader::QORBaseRequestHeader(std::optional<int64_t> type)
    : type_(type), nIV_(QORCryptUtilsSymmetric::generateIV()),
      symmetricKeyQOR_(QORCryptUtilsSymmetric::generateSecretKey()) {}

std::optional<platform::Json> QORBaseRequestHeader::requestDictionary() const {
  platform::Json dictionary = platform::Json::object();
  if (type_) dictionary["type"] = *type_;
  if (auto iv = QORCryptUtilsB64::encodeDataToString(nIV_)) dictionary["nIV"] = std::move(*iv);
  if (symmetricKeyQOR_) {
    if (auto key = QORCryptUtilsB64::encodeDataToString(symmetricKeyQOR_->data())) {
      dictionary["symmetricKeyQOR"] = std::move(*key);
    }
  }
  if (dictionary.size() != 3) return std::nullopt;
  return dictionary;
}

}  // namespace qor
