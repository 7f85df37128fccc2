#include "platform/ui/Image.h"

#include <cstring>
#include <optional>

#include "platform/ui/internal/PngEncoder.h"

namespace platform {
namespace {

uint32_t bigEndian32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

uint32_t bigEndian16(const uint8_t* p) { return uint32_t{p[0]} << 8 | uint32_t{p[1]}; }

// Signature, then the first chunk, which must be IHDR with its 13 bytes: width and height first.
std::optional<Size> pngSize(const Bytes& d) {
  static constexpr uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (d.size() < 8 + 8 + 13 || std::memcmp(d.data(), kSignature, 8) != 0) return std::nullopt;
  if (bigEndian32(&d[8]) != 13 || std::memcmp(&d[12], "IHDR", 4) != 0) return std::nullopt;
  uint32_t width = bigEndian32(&d[16]);
  uint32_t height = bigEndian32(&d[20]);
  // PNG limits both to 2^31 - 1.
  if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) return std::nullopt;
  return Size{double(width), double(height)};
}

bool isStartOfFrame(uint8_t marker) {
  // C0-CF, except C4 (Huffman tables), C8 (reserved) and CC (arithmetic conditioning).
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Start-of-image, then marker segments until a start-of-frame, whose header holds the size.
std::optional<Size> jpegSize(const Bytes& d) {
  if (d.size() < 4 || d[0] != 0xFF || d[1] != 0xD8) return std::nullopt;
  size_t i = 2;
  while (i < d.size()) {
    if (d[i] != 0xFF) return std::nullopt;
    while (i < d.size() && d[i] == 0xFF) ++i;  // fill bytes
    if (i >= d.size()) return std::nullopt;
    uint8_t marker = d[i++];
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    // Image data or its end before any frame header: not an image we can size.
    if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA || marker == 0x00) return std::nullopt;
    if (d.size() - i < 2) return std::nullopt;
    size_t length = bigEndian16(&d[i]);
    if (length < 2 || d.size() - i < length) return std::nullopt;
    if (isStartOfFrame(marker)) {
      if (length < 8) return std::nullopt;
      uint32_t height = bigEndian16(&d[i + 3]);
      uint32_t width = bigEndian16(&d[i + 5]);
      // A height of 0 is given later in the data (DNL), which we do not read.
      if (width == 0 || height == 0) return std::nullopt;
      return Size{double(width), double(height)};
    }
    i += length;
  }
  return std::nullopt;
}

}  // namespace

std::shared_ptr<Image> Image::imageWithData(const Bytes& data) {
  std::optional<Size> size = pngSize(data);
  if (!size) size = jpegSize(data);
  if (!size) return nullptr;
  return std::shared_ptr<Image>(new Image(data, *size));
}

std::shared_ptr<Image> Image::imageWithPixels(uint32_t width, uint32_t height, const Bytes& rgba) {
  auto png = detail::encodePng(width, height, rgba);
  if (!png) return nullptr;
  return imageWithData(*png);
}

OptBytes pngRepresentation(const Image& image) {
  if (pngSize(image.data())) return image.data();
  return std::nullopt;
}

}  // namespace platform
