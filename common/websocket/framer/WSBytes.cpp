#include "common/websocket/framer/WSBytes.h"

namespace qor {

namespace {
template <class T>
void writeBigEndian(platform::Bytes& buffer, size_t offset, T value) {
  for (size_t i = 0; i < sizeof(T); ++i) {
    buffer[offset + i] = static_cast<uint8_t>(value >> (8 * (sizeof(T) - 1 - i)));
  }
}
}  // namespace

platform::Bytes unmaskData(const uint8_t* p, size_t maskStart, size_t offset, size_t length) {
  platform::Bytes out(length);
  const uint8_t* key = p + maskStart;
  for (size_t i = 0; i < length; ++i) out[i] = p[offset + i] ^ key[i & 3];
  return out;
}

void writeUint16(platform::Bytes& buffer, size_t offset, uint16_t value) { writeBigEndian(buffer, offset, value); }
void writeUint32(platform::Bytes& buffer, size_t offset, uint32_t value) { writeBigEndian(buffer, offset, value); }
void writeUint64(platform::Bytes& buffer, size_t offset, uint64_t value) { writeBigEndian(buffer, offset, value); }

}  // namespace qor
