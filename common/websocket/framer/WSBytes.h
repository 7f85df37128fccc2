// Big-endian integers and masking over byte buffers. Callers guarantee that the bytes they name
// exist.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Bytes.h"

namespace qor {

inline uint16_t readUint16(const uint8_t* p, size_t offset) {
  return static_cast<uint16_t>((p[offset] << 8) | p[offset + 1]);
}
inline uint64_t readUint64(const uint8_t* p, size_t offset) {
  uint64_t v = 0;
  for (size_t i = 0; i < 8; ++i) v = (v << 8) | p[offset + i];
  return v;
}
inline uint16_t readUint16(const platform::Bytes& b, size_t offset) { return readUint16(b.data(), offset); }
inline uint64_t readUint64(const platform::Bytes& b, size_t offset) { return readUint64(b.data(), offset); }

// XORs byte i of the range with key[i % 4] (RFC 6455 masking, its own inverse), a word at a time.
void maskBytes(uint8_t* data, size_t length, const uint8_t key[4]);

// Byte i of the result is p[offset + i] XOR p[maskStart + i % 4].
platform::Bytes unmaskData(const uint8_t* p, size_t maskStart, size_t offset, size_t length);

void writeUint16(platform::Bytes& buffer, size_t offset, uint16_t value);
void writeUint32(platform::Bytes& buffer, size_t offset, uint32_t value);
void writeUint64(platform::Bytes& buffer, size_t offset, uint64_t value);

}  // namespace qor
