#include "common/websocket/compression/internal/Compressor.h"

#include <algorithm>

namespace qor {

namespace {
constexpr size_t kMaxFeed = 1u << 30;
}

std::unique_ptr<Compressor> Compressor::create(int windowBits) {
  if (windowBits < 8 || windowBits > 15) return nullptr;
  std::unique_ptr<Compressor> c(new Compressor(windowBits));
  if (deflateInit2(&c->strm_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    return nullptr;
  }
  c->deflateInitialized_ = true;
  return c;
}

Compressor::~Compressor() {
  if (deflateInitialized_) deflateEnd(&strm_);
}

bool Compressor::reset() {
  // deflateEnd frees the stream whatever it returns (Z_DATA_ERROR with output pending).
  if (deflateInitialized_) deflateEnd(&strm_);
  deflateInitialized_ = false;
  strm_ = z_stream{};
  if (deflateInit2(&strm_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -windowBits_, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    return false;
  }
  deflateInitialized_ = true;
  return true;
}

platform::OptBytes Compressor::compress(const platform::Bytes& data) {
  if (!deflateInitialized_) return std::nullopt;
  platform::Bytes out;
  size_t pos = 0;
  do {
    const size_t chunk = std::min(data.size() - pos, kMaxFeed);
    const bool last = pos + chunk == data.size();
    strm_.next_in = const_cast<Bytef*>(data.data() + pos);
    strm_.avail_in = static_cast<uInt>(chunk);
    do {
      strm_.next_out = buffer_.data();
      strm_.avail_out = static_cast<uInt>(buffer_.size());
      const int rc = deflate(&strm_, last ? Z_SYNC_FLUSH : Z_NO_FLUSH);
      if (rc != Z_OK && rc != Z_BUF_ERROR) return std::nullopt;
      out.insert(out.end(), buffer_.begin(), buffer_.end() - strm_.avail_out);
    } while (strm_.avail_out == 0);
    pos += chunk;
  } while (pos < data.size());

  // An empty message right after another flush gives zlib nothing to write; the first byte of an
  // empty stored block (the receiver adds the rest) is the message then (RFC 7692, 7.2.3.6).
  if (data.empty() && out.empty()) return platform::Bytes{0x00};
  static constexpr uint8_t kTail[4] = {0x00, 0x00, 0xFF, 0xFF};
  if (out.size() < 4 || !std::equal(out.end() - 4, out.end(), kTail)) return std::nullopt;
  out.resize(out.size() - 4);
  return out;
}

}  // namespace qor
