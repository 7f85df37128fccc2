// Raw inflate (zlib, no header or checksum) over one stream kept from message to message.
// Not thread-safe; owned by one WSCompression and used on the codec's queue.
#pragma once

#include <memory>

#include <zlib.h>

#include "common/websocket/compression/DecompressResult.h"

namespace qor {

class Decompressor {
 public:
  // nullptr when zlib refuses the window size.
  static std::unique_ptr<Decompressor> create(int windowBits);
  ~Decompressor();
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  // Inflates one frame's payload; with `finish`, also the 00 00 FF FF tail the sender removed.
  // Output above `limit` bytes (counted over the whole message) fails with 1009.
  DecompressResult decompress(const platform::Bytes& data, bool finish, uint64_t limit);
  // Starts the stream over, dropping its window; false when zlib cannot start it again.
  bool reset();

  int windowBits() const { return windowBits_; }

 private:
  explicit Decompressor(int windowBits) : windowBits_(windowBits) {}
  bool feed(const uint8_t* data, size_t size, platform::Bytes& out, uint64_t limit, bool& tooBig);

  z_stream strm_{};
  bool inflateInitialized_ = false;
  // The peer ended its deflate stream (a final block); the rest of the message is ignored and
  // the stream starts over with the next one.
  bool streamEnded_ = false;
  uint64_t messageBytes_ = 0;
  int windowBits_;
};

}  // namespace qor
