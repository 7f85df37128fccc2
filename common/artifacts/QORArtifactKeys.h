// Keys and values of the session-artifact dictionaries, as the server reads them.
#pragma once

#include <cstdint>

#include "common/QORCommonExport.h"

namespace qor {

QOR_COMMON_EXPORT extern const char* const dictionaryKeyArtifacts;                 // "artifacts": the list in a request body
QOR_COMMON_EXPORT extern const char* const dictionaryKeyArtifactsValue;            // "value"
QOR_COMMON_EXPORT extern const char* const dictionaryKeyArtifactsClassName;        // "className": the kind of an artifact
QOR_COMMON_EXPORT extern const char* const dictionaryKeyArtifactsApnsEnabled;      // "isApnsEnabled"
QOR_COMMON_EXPORT extern const char* const dictionaryKeyArtifactsBiometryEnabled;  // "isBiometryEnabled"
QOR_COMMON_EXPORT extern const char* const dictionaryValueArtifactsSession;        // "SessionArtifact"
QOR_COMMON_EXPORT extern const char* const dictionaryValueArtifactsSimple;         // "SimpleArtifact"
QOR_COMMON_EXPORT extern const char* const deviceInfoArtifactTypeString;           // "RESULT_DEVICE_INFO"
QOR_COMMON_EXPORT extern const char* const dictionaryKeyRequestHeaderType;         // "type"

inline constexpr int64_t deviceInfoArtifactType = 412;

}  // namespace qor
