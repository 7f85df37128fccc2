// An image of the screen stand-in, made from the bytes of a PNG or JPEG file, or from pixels (which
// are kept as a PNG file). It knows its size (from the file's header, one point per pixel) and keeps
// the file's bytes so that it can be archived again; the pixels of a file are never decoded.
//
// Immutable, so shared freely between threads.
#pragma once

#include <memory>

#include "platform/Bytes.h"
#include "platform/QORPlatformExport.h"
#include "platform/ui/Size.h"

namespace platform {

class QOR_PLATFORM_EXPORT Image {
 public:
  // nullptr unless the bytes start like a PNG file (signature, then its IHDR chunk) or a JPEG file
  // (start-of-image, then segments up to a start-of-frame) and give a width and height above zero.
  static std::shared_ptr<Image> imageWithData(const Bytes& data);
  // From 8-bit RGBA pixels (straight alpha), row by row from the top; nullptr when either side is 0
  // or the bytes are not width * height * 4.
  static std::shared_ptr<Image> imageWithPixels(uint32_t width, uint32_t height, const Bytes& rgba);

  Size size() const { return size_; }
  const Bytes& data() const { return data_; }

 private:
  Image(Bytes data, Size size) : data_(std::move(data)), size_(size) {}

  const Bytes data_;
  const Size size_;
};

// The image as a PNG file (the platform's PNG representation): the file's own bytes for an image made
// from a PNG file or from pixels; nullopt for one made from a JPEG file, whose pixels are never
// decoded here.
QOR_PLATFORM_EXPORT OptBytes pngRepresentation(const Image& image);

}  // namespace platform
