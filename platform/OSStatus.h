// The platform's 32-bit status type and the codes that its keychain and trust services share; 0 is
// success.
#pragma once

#include <cstdint>

namespace platform {

using OSStatus = int32_t;

inline constexpr OSStatus errSecSuccess = 0;
inline constexpr OSStatus errSecParam = -50;

}  // namespace platform
