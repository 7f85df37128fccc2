// Status codes of the keychain stand-in: the platform's 32-bit keychain statuses, 0 for success.
#pragma once

#include "platform/OSStatus.h"

namespace platform {

inline constexpr OSStatus errSecUnimplemented = -4;
inline constexpr OSStatus errSecAllocate = -108;
inline constexpr OSStatus errSecNotAvailable = -25291;
inline constexpr OSStatus errSecAuthFailed = -25293;
inline constexpr OSStatus errSecDuplicateItem = -25299;
inline constexpr OSStatus errSecItemNotFound = -25300;
inline constexpr OSStatus errSecInteractionNotAllowed = -25308;
inline constexpr OSStatus errSecDecode = -26275;

}  // namespace platform
