// Strict UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing above U+10FFFF, nothing cut off.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Bytes.h"

namespace qor {

bool isValidUTF8(const uint8_t* data, size_t size);
inline bool isValidUTF8(const platform::Bytes& b) { return isValidUTF8(b.data(), b.size()); }

}  // namespace qor
