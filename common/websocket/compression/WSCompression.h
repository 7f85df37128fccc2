// Per-message deflate (RFC 7692) over zlib's raw deflate: reads the parameters the server accepted
// and inflates and deflates message payloads, each direction with its own stream.
//
// `load` runs before messages flow; decompression then runs only on the codec's queue and
// compression only on the engine's write queue, so the two directions share no mutable state.
#pragma once

#include <memory>
#include <optional>

#include "common/websocket/compression/CompressionHandler.h"

namespace qor {

class Compressor;
class Decompressor;

// Inflated messages above this size fail with 1009 unless the owner sets another cap.
inline constexpr uint64_t kDefaultMaximumInflatedSize = 16u * 1024 * 1024;

class WSCompression final : public CompressionHandler {
 public:
  WSCompression();
  ~WSCompression() override;

  // Takes the first offer of the extension field (its name in any case). An accepted
  // "permessage-deflate" always gets a decompressor, 15 bits unless "server_max_window_bits" says
  // otherwise; a compressor only with a "client_max_window_bits" value. Each call replaces what an
  // earlier answer set up.
  void load(const HeaderFields& headers) override;
  DecompressResult decompress(const platform::Bytes& data, bool isFinal) override;
  platform::OptBytes compress(const platform::Bytes& data) override;
  bool isNegotiated() const override;

  void setMaximumInflatedSize(uint64_t bytes) { maximumInflatedSize_ = bytes; }

  std::optional<int> decompressorWindowBits() const;
  std::optional<int> compressorWindowBits() const;
  bool decompressorTakeOver() const { return decompressorTakeOver_; }
  bool compressorTakeOver() const { return compressorTakeOver_; }

 private:
  std::unique_ptr<Decompressor> decompressor_;
  std::unique_ptr<Compressor> compressor_;
  // True for "server_no_context_takeover": the decompressor starts over after every message.
  bool decompressorTakeOver_ = false;
  // True for "client_no_context_takeover": the compressor starts over after every message.
  bool compressorTakeOver_ = false;
  uint64_t maximumInflatedSize_ = kDefaultMaximumInflatedSize;
};

}  // namespace qor
