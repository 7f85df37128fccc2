// Raw deflate (zlib) over one stream kept from message to message, sync-flushed per message.
// Not thread-safe; owned by one WSCompression and used on the engine's write queue.
#pragma once

#include <array>
#include <memory>

#include <zlib.h>

#include "platform/Bytes.h"

namespace qor {

class Compressor {
 public:
  // nullptr when zlib refuses the window size (raw deflate takes 9 to 15).
  static std::unique_ptr<Compressor> create(int windowBits);
  ~Compressor();
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;

  // The message's deflate data without the 00 00 FF FF tail of the sync flush; nullopt on failure.
  platform::OptBytes compress(const platform::Bytes& data);
  bool reset();

  int windowBits() const { return windowBits_; }

 private:
  explicit Compressor(int windowBits) : windowBits_(windowBits) {}

  z_stream strm_{};
  std::array<uint8_t, 8192> buffer_{};
  bool deflateInitialized_ = false;
  int windowBits_;
};

}  // namespace qor
