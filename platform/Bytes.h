// Byte buffers as the system passes them around. "nil" bytes are std::optional<Bytes> without a
// value; an empty buffer is a present, zero-length value, and the two are never merged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

using Bytes = std::vector<uint8_t>;
using OptBytes = std::optional<Bytes>;

inline Bytes bytesFromString(std::string_view text) { return Bytes(text.begin(), text.end()); }
inline std::string stringFromBytes(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Lower-case hexadecimal text of the bytes; for logs and tests.
std::string hexString(const Bytes& bytes);
// Bytes of a hexadecimal text (either case, blanks ignored); nullopt for anything else.
OptBytes bytesFromHex(std::string_view hex);

// Overwrites the buffer's bytes in a way the optimiser does not drop, for secrets.
void secureWipe(Bytes& bytes) noexcept;

}  // namespace platform
