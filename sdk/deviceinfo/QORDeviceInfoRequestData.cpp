#include "sdk/deviceinfo/QORDeviceInfoRequestData.h"

#include "common/artifacts/QORArtifactKeys.h"
#include "common/crypto/QORCryptUtils.h"
#include "sdk/artifacts/QORArtifactList.h"

namespace qor {

std::shared_ptr<QORDeviceInfoRequestData> QORDeviceInfoRequestData::create(std::optional<Records> artifacts) {
  return std::shared_ptr<QORDeviceInfoRequestData>(new QORDeviceInfoRequestData(std::move(artifacts)));
}

QORDeviceInfoRequestData::QORDeviceInfoRequestData(std::optional<Records> artifacts)
    : QORBaseRequestData(QORCryptUtils::generateNonce()), artifacts_(std::move(artifacts)) {}

std::optional<platform::Json> QORDeviceInfoRequestData::requestDictionary() const {
  platform::Json dictionary = QORBaseRequestData::requestDictionary().value_or(platform::Json::object());
  if (artifacts_) {
    auto list = artifactDictionaries(*artifacts_);
    if (!list) return std::nullopt;
    dictionary[dictionaryKeyArtifacts] = std::move(*list);
  }
  return dictionary;
}

}  // namespace qor
