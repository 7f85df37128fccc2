// The system's secure random source (the kernel's, through Crypto++'s OS generator).
#pragma once

#include <cstddef>

#include "platform/Bytes.h"

namespace platform {

// `count` random bytes; nullopt when the source fails.
OptBytes secureRandomBytes(size_t count);
// Fills the range; false when the source fails (the range is then zeroed).
bool secureRandomFill(uint8_t* out, size_t count) noexcept;

}  // namespace platform
