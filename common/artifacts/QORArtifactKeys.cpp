#include "common/artifacts/QORArtifactKeys.h"

namespace qor {

const char* const dictionaryKeyArtifacts = "artifacts";
const char* const dictionaryKeyArtifactsValue = "value";
const char* const dictionaryKeyArtifactsClassName = "className";
const char* const dictionaryKeyArtifactsApnsEnabled = "isApnsEnabled";
const char* const dictionaryKeyArtifactsBiometryEnabled = "isBiometryEnabled";
const char* const dictionaryValueArtifactsSession = "SessionArtifact";
const char* const dictionaryValueArtifactsSimple = "SimpleArtifact";
const char* const deviceInfoArtifactTypeString = "RESULT_DEVICE_INFO";
const char* const dictionaryKeyRequestHeaderType = "type";

}  // namespace qor
