// An image of the screen stand-in, made from the bytes of a PNG or JPEG file. It knows its size
// (from the file's header, one point per pixel) and keeps the file's bytes so that it can be
// archived again; the pixels are never decoded.
//
// Immutable, so shared freely between threads.
#pragma once

#include <memory>

#include "platform/Bytes.h"
#include "platform/ui/Size.h"

namespace platform {

class Image {
 public:
  // nullptr unless the bytes start like a PNG file (signature, then its IHDR chunk) or a JPEG file
  // (start-of-image, then segments up to a start-of-frame) and give a width and height above zero.
  static std::shared_ptr<Image> imageWithData(const Bytes& data);

  Size size() const { return size_; }
  const Bytes& data() const { return data_; }

 private:
  Image(Bytes data, Size size) : data_(std::move(data)), size_(size) {}

  const Bytes data_;
  const Size size_;
};

}  // namespace platform
