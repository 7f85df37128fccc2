// Writes PNG files (RFC 2083 / ISO 15948): 8-bit RGBA, no interlace, every row with filter 0,
// compressed with Crypto++'s zlib stream (QORPlatform links no zlib of its own).
#pragma once

#include <cstdint>

#include "platform/Bytes.h"

namespace platform::detail {

// nullopt when the sizes are 0 or do not match the bytes, or the compressor fails.
OptBytes encodePng(uint32_t width, uint32_t height, const Bytes& rgba);

}  // namespace platform::detail
