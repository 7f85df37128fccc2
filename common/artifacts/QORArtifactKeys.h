// Keys and values of the session-artifact dictionaries, as the server reads them.
#pragma once

#include <cstdint>

namespace qor {

extern const char* const dictionaryKeyArtifacts;                 // "artifacts": the list in a request body
extern const char* const dictionaryKeyArtifactsValue;            // "value"
extern const char* const dictionaryKeyArtifactsClassName;        // "className": the kind of an artifact
extern const char* const dictionaryKeyArtifactsApnsEnabled;      // "isApnsEnabled"
extern const char* const dictionaryKeyArtifactsBiometryEnabled;  // "isBiometryEnabled"
extern const char* const dictionaryValueArtifactsSession;        // "SessionArtifact"
extern const char* const dictionaryValueArtifactsSimple;         // "SimpleArtifact"
extern const char* const deviceInfoArtifactTypeString;           // "RESULT_DEVICE_INFO"
extern const char* const dictionaryKeyRequestHeaderType;         // "type"

inline constexpr int64_t deviceInfoArtifactType = 412;

}  // namespace qor
