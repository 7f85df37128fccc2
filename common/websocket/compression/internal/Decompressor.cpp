#include "common/websocket/compression/internal/Decompressor.h"

#include <algorithm>
#include <climits>

namespace qor {

namespace {
constexpr uint8_t kTail[4] = {0x00, 0x00, 0xFF, 0xFF};
constexpr size_t kMaxFeed = 1u << 30;
// The output first reserved: several times the input, as text deflates, and never tiny. It is
// handed to zlib (and so zero-filled first, as a vector must be) a step at a time, while it is warm.
constexpr size_t kExpansionGuess = 8;
constexpr size_t kMinimumRoom = 1024;
constexpr size_t kRoomStep = 1024 * 1024;
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
  streamEnded_ = false;
  // The stream and its window stay allocated; only their state starts over.
  if (inflateInitialized_ && inflateReset(&strm_) == Z_OK) return true;
  // inflateEnd frees the stream whatever it returns.
  if (inflateInitialized_) inflateEnd(&strm_);
  inflateInitialized_ = false;
  strm_ = z_stream{};
  if (inflateInit2(&strm_, -windowBits_) != Z_OK) return false;
  inflateInitialized_ = true;
  return true;
}

// zlib writes straight into the end of `out`, which grows by doubling once its reserve is used; it
// is never handed more room than one byte past the limit, and that byte tells a message that goes
// over it.
bool Decompressor::feed(const uint8_t* data, size_t size, platform::Bytes& out, uint64_t limit, bool& tooBig) {
  size_t pos = 0;
  do {
    if (streamEnded_) return true;
    const size_t chunk = std::min(size - pos, kMaxFeed);
    strm_.next_in = const_cast<Bytef*>(data + pos);
    strm_.avail_in = static_cast<uInt>(chunk);
    for (;;) {
      // messageBytes_ never exceeds the limit, so the subtraction cannot wrap.
      const uint64_t allowed = limit - messageBytes_;
      size_t room = out.capacity() - out.size();
      if (room < kMinimumRoom) room = std::max(out.size(), kMinimumRoom);
      room = std::min(room, kRoomStep);
      if (allowed < room) room = static_cast<size_t>(allowed) + 1;
      const size_t before = out.size();
      out.resize(before + room);
      strm_.next_out = out.data() + before;
      strm_.avail_out = static_cast<uInt>(room);
      const int rc = inflate(&strm_, Z_NO_FLUSH);
      const size_t produced = room - strm_.avail_out;
      out.resize(before + produced);
      if (produced > allowed) {
        tooBig = true;
        return false;
      }
      messageBytes_ += produced;
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
  const uint64_t allowed = limit - std::min(limit, messageBytes_);
  out.reserve(static_cast<size_t>(std::min<uint64_t>({data.size() * kExpansionGuess + kMinimumRoom, allowed + 1, kMaxFeed})));
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
