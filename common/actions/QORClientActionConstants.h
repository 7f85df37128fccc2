// Action types (sent as the header's "type") and the URL paths the actions append to the host.
#pragma once

#include <cstdint>

#include "common/QORCommonExport.h"

namespace qor {

inline constexpr int64_t QORClientActionTypePrepareEnrollment = 101;
inline constexpr int64_t QORClientActionTypeCommitEnrollment = 102;
inline constexpr int64_t QORClientActionTypePrepareAuth = 103;
inline constexpr int64_t QORClientActionTypeCommitAuth = 104;
inline constexpr int64_t QORClientActionTypeWakeUp = 105;
inline constexpr int64_t QORClientActionTypeHandshakeStep1 = 106;
inline constexpr int64_t QORClientActionTypeHandshakeStep2 = 107;
// 108 is not assigned.
inline constexpr int64_t QORClientActionTypeDeviceInfo = 109;
inline constexpr int64_t QORClientActionTypeLinkTenant = 201;
inline constexpr int64_t QORClientActionTypeUpdateTenant = 202;
inline constexpr int64_t QORClientActionTypeUnlinkTenant = 203;

QOR_COMMON_EXPORT extern const char* const QORClientActionPathEnrollment;  // "/vtn-service/rest/actions"
QOR_COMMON_EXPORT extern const char* const QORClientActionPathAuth;        // "/vtn-service/rest/actions"
QOR_COMMON_EXPORT extern const char* const QORClientActionPathDeviceInfo;  // "/vtn-service/rest/actions"
QOR_COMMON_EXPORT extern const char* const QORClientActionPathLinkTenant;  // "/gateway/app": link, update and unlink

}  // namespace qor
