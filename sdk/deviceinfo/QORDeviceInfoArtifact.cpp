#include "sdk/deviceinfo/QORDeviceInfoArtifact.h"

namespace qor {

std::shared_ptr<QORDeviceInfoArtifact> QORDeviceInfoArtifact::create(const QORDeviceArtifactInitData& data) {
  return std::make_shared<QORDeviceInfoArtifact>(data);
}

QORDeviceInfoArtifact::QORDeviceInfoArtifact(const QORDeviceArtifactInitData& data)
    : QORSessionArtifact(deviceInfoArtifactType), artifactData_(data) {}

std::string QORDeviceInfoArtifact::deviceInfoString() const {
  std::string text;
  if (artifactData_.isBiometryStatusNeeded) {
    text += deviceInfoExpressionForKey(dictionaryKeyArtifactsBiometryEnabled, artifactData_.isBiometryAvailable);
  }
  if (artifactData_.isApnsStatusNeeded) {
    text += deviceInfoExpressionForKey(dictionaryKeyArtifactsApnsEnabled, artifactData_.isApnsAvailable);
  }
  return text;
}

std::string QORDeviceInfoArtifact::deviceInfoExpressionForKey(const std::string& key, bool value) {
  return key + "=" + (value ? "1" : "0") + ";";
}

std::optional<platform::Json> QORDeviceInfoArtifact::requestDictionary() const {
  platform::Json dictionary = QORSessionArtifact::requestDictionary().value_or(platform::Json::object());
  dictionary[dictionaryKeyArtifactsClassName] = dictionaryValueArtifactsSimple;
  dictionary[dictionaryKeyArtifactsValue] = deviceInfoString();
  dictionary[dictionaryKeyRequestHeaderType] = deviceInfoArtifactTypeString;
  return dictionary;
}

}  // namespace qor
