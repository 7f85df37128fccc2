// The device-information record: whether biometrics can be used and whether the user allows
// notification alerts, as one text, for example "isBiometryEnabled=1;isApnsEnabled=0;". It travels
// as {"type": "RESULT_DEVICE_INFO", "className": "SimpleArtifact", "value": text} and hashes to 0.
// Immutable once made.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/artifacts/QORSessionArtifact.h"
#include "sdk/deviceinfo/QORDeviceArtifactInitData.h"

namespace qor {

class QORDeviceInfoArtifact : public QORSessionArtifact {
 public:
  // initWithDeviceArtifactData:
  static std::shared_ptr<QORDeviceInfoArtifact> create(const QORDeviceArtifactInitData& data);

  explicit QORDeviceInfoArtifact(const QORDeviceArtifactInitData& data);

  const QORDeviceArtifactInitData& artifactData() const { return artifactData_; }

  // One expression per reported fact, biometrics first.
  std::string deviceInfoString() const;
  // key "=" ("1" or "0") ";"
  static std::string deviceInfoExpressionForKey(const std::string& key, bool value);

  // The base's dictionary with "className" and "value" added and "type" replaced by its text.
  std::optional<platform::Json> requestDictionary() const override;

 private:
  const QORDeviceArtifactInitData artifactData_;
};

}  // namespace qor
