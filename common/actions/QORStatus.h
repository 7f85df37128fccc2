// The status codes of the whole system: what actions report to controllers, controllers to their
// delegates, and the flows to the host app. StatusToString names them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "common/QORCommonExport.h"

namespace qor {

using QORStatus = int32_t;

inline constexpr QORStatus QORStatusUndefined = 0;
inline constexpr QORStatus QORStatusSuccess = 1;
inline constexpr QORStatus QORStatusNoInternetConnection = 20;
inline constexpr QORStatus QORStatusServerTimeout = 30;
inline constexpr QORStatus QORStatusExpiredTransaction = 40;
inline constexpr QORStatus QORStatusInternalCommonError = 44;
inline constexpr QORStatus QORStatusInternalLogicError = 48;
inline constexpr QORStatus QORStatusNotEnrolled = 52;
inline constexpr QORStatus QORStatusNoApnsToken = 56;
inline constexpr QORStatus QORStatusHasActiveSession = 60;
inline constexpr QORStatus QORStatusSensitiveDataDecryptionError = 64;

inline constexpr size_t kQORStatusNameCount = 65;

// Indexed by the status value 0 to 64; nullptr for values without a name. Callers check the range.
QOR_COMMON_EXPORT extern const std::array<const char*, kQORStatusNameCount> StatusToString;

}  // namespace qor
