// Byte buffers as the system passes them around. "nil" bytes are std::optional<Bytes> without a
// value; an empty buffer is a present, zero-length value, and the two are never merged.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/QORPlatformExport.h"

namespace platform {

using Bytes = std::vector<uint8_t>;
using OptBytes = std::optional<Bytes>;

inline Bytes bytesFromString(std::string_view text) { return Bytes(text.begin(), text.end()); }
inline std::string stringFromBytes(std::span<const uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

// Lower-case hexadecimal text of the bytes; for logs and tests.
QOR_PLATFORM_EXPORT std::string hexString(const Bytes& bytes);
// Bytes of a hexadecimal text (either case, blanks ignored); nullopt for anything else.
QOR_PLATFORM_EXPORT OptBytes bytesFromHex(std::string_view hex);

// Overwrites the buffer's bytes in a way the optimiser does not drop, for secrets.
QOR_PLATFORM_EXPORT void secureWipe(Bytes& bytes) noexcept;

}  // namespace platform
