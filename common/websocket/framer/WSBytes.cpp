#include "common/websocket/framer/WSBytes.h"

#include <cstring>

namespace qor {

namespace {
template <class T>
void writeBigEndian(platform::Bytes& buffer, size_t offset, T value) {
  for (size_t i = 0; i < sizeof(T); ++i) {
    buffer[offset + i] = static_cast<uint8_t>(value >> (8 * (sizeof(T) - 1 - i)));
  }
}
}  // namespace

void maskBytes(uint8_t* data, size_t length, const uint8_t key[4]) {
  // Eight key bytes in memory order: whole words keep byte i on key[i % 4] whatever the byte order.
  const uint8_t pattern[8] = {key[0], key[1], key[2], key[3], key[0], key[1], key[2], key[3]};
  uint64_t mask;
  std::memcpy(&mask, pattern, sizeof mask);
  size_t i = 0;
  for (; i + 32 <= length; i += 32) {
    uint64_t words[4];
    std::memcpy(words, data + i, sizeof words);
    for (uint64_t& word : words) word ^= mask;
    std::memcpy(data + i, words, sizeof words);
  }
  for (; i + 8 <= length; i += 8) {
    uint64_t word;
    std::memcpy(&word, data + i, sizeof word);
    word ^= mask;
    std::memcpy(data + i, &word, sizeof word);
  }
  for (; i < length; ++i) data[i] ^= key[i & 3];
}

platform::Bytes unmaskData(const uint8_t* p, size_t maskStart, size_t offset, size_t length) {
  platform::Bytes out(p + offset, p + offset + length);
  maskBytes(out.data(), length, p + maskStart);
  return out;
}

void writeUint16(platform::Bytes& buffer, size_t offset, uint16_t value) { writeBigEndian(buffer, offset, value); }
void writeUint32(platform::Bytes& buffer, size_t offset, uint32_t value) { writeBigEndian(buffer, offset, value); }
void writeUint64(platform::Bytes& buffer, size_t offset, uint64_t value) { writeBigEndian(buffer, offset, value); }

}  // namespace qor
