#include "platform/ui/internal/PngEncoder.h"

#include <cryptopp/crc.h>
#include <cryptopp/zlib.h>

#include <exception>

namespace platform::detail {
namespace {

void putBigEndian32(Bytes& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

// Length, type, data, then the CRC-32 of type and data.
void putChunk(Bytes& out, const char (&type)[5], const Bytes& data) {
  putBigEndian32(out, uint32_t(data.size()));
  const size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  CryptoPP::CRC32 crc;
  crc.Update(&out[typeAt], 4 + data.size());
  uint8_t digest[4];
  crc.Final(digest);
  // Crypto++ gives the CRC register's bytes least significant first; PNG writes it most first.
  putBigEndian32(out, uint32_t(digest[0]) | uint32_t(digest[1]) << 8 | uint32_t(digest[2]) << 16 |
                          uint32_t(digest[3]) << 24);
}

OptBytes zlibStream(const Bytes& raw) {
  try {
    std::string compressed;
    CryptoPP::ZlibCompressor compressor(new CryptoPP::StringSink(compressed));
    compressor.Put(raw.data(), raw.size());
    compressor.MessageEnd();
    return Bytes(compressed.begin(), compressed.end());
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

OptBytes encodePng(uint32_t width, uint32_t height, const Bytes& rgba) {
  const uint64_t rowBytes = uint64_t(width) * 4;
  // PNG limits both sides to 2^31 - 1; one filter byte per row.
  if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF || rgba.size() != rowBytes * height) {
    return std::nullopt;
  }
  Bytes raw;
  raw.reserve(size_t((rowBytes + 1) * height));
  for (uint32_t y = 0; y < height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), rgba.begin() + ptrdiff_t(y * rowBytes), rgba.begin() + ptrdiff_t((y + 1) * rowBytes));
  }
  auto compressed = zlibStream(raw);
  if (!compressed) return std::nullopt;

  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  putBigEndian32(header, width);
  putBigEndian32(header, height);
  header.insert(header.end(), {8, 6, 0, 0, 0});  // depth 8, RGBA, deflate, filter method 0, no interlace
  putChunk(png, "IHDR", header);
  putChunk(png, "IDAT", *compressed);
  putChunk(png, "IEND", {});
  return png;
}

}  // namespace platform::detail
