// Smallest headers of PNG and JPEG files, made by hand, for the image and theme tests.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "platform/Bytes.h"

namespace qortest {

// Byte by byte: GCC 12 misreads the bounds of an optimised vector insert of a short list.
inline void append(platform::Bytes& out, std::initializer_list<uint8_t> bytes) {
  for (uint8_t b : bytes) out.push_back(b);
}

inline void appendBigEndian(platform::Bytes& out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Signature and IHDR chunk (its CRC is not checked, so left zero), then an IEND chunk.
inline platform::Bytes pngHeader(uint32_t width, uint32_t height) {
  platform::Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  appendBigEndian(png, width, 4);
  appendBigEndian(png, height, 4);
  append(png, {8, 6, 0, 0, 0, /*crc*/ 0, 0, 0, 0, /*IEND*/ 0, 0, 0, 0, 'I', 'E', 'N', 'D', 0, 0, 0, 0});
  return png;
}

// Start of image, an APP0 segment, fill bytes, a start-of-frame segment of the given marker, then
// the start of scan.
inline platform::Bytes jpegHeader(uint32_t width, uint32_t height, uint8_t frameMarker = 0xC0) {
  platform::Bytes jpg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  append(jpg, {0xFF, 0xFF, frameMarker, 0x00, 0x11, 0x08});
  appendBigEndian(jpg, height, 2);
  appendBigEndian(jpg, width, 2);
  append(jpg, {3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
  append(jpg, {0xFF, 0xDA, 0x00, 0x08, 1, 1, 0, 0, 0x3F, 0});
  return jpg;
}

}  // namespace qortest
