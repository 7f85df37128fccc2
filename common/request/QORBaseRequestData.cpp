#include "common/request/QORBaseRequestData.h"

#include <utility>

#include "common/crypto/QORCryptUtilsB64.h"

namespace qor {

std::shared_ptr<QORBaseRequestData> QORBaseRequestData::create(platform::OptBytes nonce) {
  return std::shared_ptr<QORBaseRequestData>(new QORBaseRequestData(std::move(nonce)));
}

std::optional<platform::Json> QORBaseRequestData::requestDictionary() const {
  platform::Json dictionary = platform::Json::object();
  if (auto nonce = QORCryptUtilsB64::encodeDataToString(nonce_)) dictionary["nonceQOR"] = std::move(*nonce);
  if (dictionary.size() != 1) return std::nullopt;
  return dictionary;
}

}  // namespace qor
