// The system's secure random source: one generator for the process (a Hash_DRBG over SHA-256),
// seeded from the kernel on first use and reseeded from it in a forked child before its first draw.
// Thread-safe.
#pragma once

#include <cstddef>

#include "platform/Bytes.h"
#include "platform/QORPlatformExport.h"

namespace platform {

// `count` random bytes; nullopt when the source fails.
QOR_PLATFORM_EXPORT OptBytes secureRandomBytes(size_t count);
// Fills the range; false when the source fails (the range is then zeroed).
QOR_PLATFORM_EXPORT bool secureRandomFill(uint8_t* out, size_t count) noexcept;

}  // namespace platform
