#include "common/websocket/compression/internal/Decompressor.h"

#include <algorithm>
#include <climits>

namespace qor {

namespace {
constexpr uint8_t kTail[4] = {0x00, 0x00, 0xFF, 0xFF};
constexpr size_t kMaxFeed = 1u << 30;
}  // namespace

std::unique_ptr<Decompressor> Decompressor::create(int windowBits) {
  if (windowBits < 8 || windowBits > 15) return nullptr;
  std::unique_ptr<Decompressor> d(new Decompressor(windowBits));
  if (inflateInit2(&d->strm_, -windowBits) != Z_OK) return nullptr;
  d->inflateInitialized_ = true;
  return d;
}

Decompressor::~Decompressor() {
  if (inflateInitialized_) inflateEnd(&strm_);
}

bool Decompressor::reset() {
  // inflateEnd frees the stream whatever it returns.
  if (inflateInitialized_) inflateEnd(&strm_);
  inflateInitialized_ = false;
  strm_ = z_stream{};
  streamEnded_ = false;
  if (inflateInit2(&strm_, -windowBits_) != Z_OK) return false;
  inflateInitialized_ = true;
  return true;
}

bool Decompressor::feed(const uint8_t* data, size_t size, platform::Bytes& out, uint64_t limit, bool& tooBig) {
  size_t pos = 0;
  do {
    if (streamEnded_) return true;
    const size_t chunk = std::min(size - pos, kMaxFeed);
    strm_.next_in = const_cast<Bytef*>(data + pos);
    strm_.avail_in = static_cast<uInt>(chunk);
    for (;;) {
      strm_.next_out = buffer_.data();
      strm_.avail_out = static_cast<uInt>(buffer_.size());
      const int rc = inflate(&strm_, Z_NO_FLUSH);
      const size_t produced = buffer_.size() - strm_.avail_out;
      // messageBytes_ never exceeds the limit, so the subtraction cannot wrap.
      if (produced > limit - messageBytes_) {
        tooBig = true;
        return false;
      }
      messageBytes_ += produced;
      out.insert(out.end(), buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(produced));
      if (rc == Z_STREAM_END) {
        streamEnded_ = true;
        return true;
      }
      if (rc == Z_BUF_ERROR && produced == 0) break;
      if (rc != Z_OK) return false;
      if (strm_.avail_out != 0 && strm_.avail_in == 0) break;
    }
    pos += chunk;
  } while (pos < size);
  return true;
}

DecompressResult Decompressor::decompress(const platform::Bytes& data, bool finish, uint64_t limit) {
  platform::Bytes out;
  bool tooBig = false;
  bool ok = feed(data.data(), data.size(), out, limit, tooBig);
  if (ok && finish) ok = feed(kTail, sizeof kTail, out, limit, tooBig);
  if (!ok) {
    // The stream is useless after bad data; the connection ends, and nothing later may read it.
    reset();
    messageBytes_ = 0;
    if (tooBig) return WSError(ErrorType::compressionError, "Error on decompressing: message too big", 1009);
    return WSError(ErrorType::compressionError, "Error on decompressing", 1007);
  }
  if (finish) {
    messageBytes_ = 0;
    if (streamEnded_ && !reset()) return WSError(ErrorType::compressionError, "Error for decompressor on reset", 1007);
  }
  return out;
}

}  // namespace qor
