// The frame codec's masking and per-message deflate's inflate against memory bandwidth and raw zlib.
#include <benchmark/benchmark.h>

#include <zlib.h>

#include <cstdio>
#include <cstring>

#include "common/websocket/compression/WSCompression.h"
#include "common/websocket/framer/FrameReader.h"
#include "common/websocket/framer/WSFramer.h"
#include "tools/bench/BenchSupport.h"

namespace qorbench {
namespace {

using platform::Bytes;

constexpr size_t kFramePayload = 64 * 1024;

const Bytes& framePayload() {
  static const Bytes payload = [] {
    Bytes b(kFramePayload);
    for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i * 31 + 7);
    return b;
  }();
  return payload;
}

void maskFrameProject(benchmark::State& state) {
  auto framer = qor::WSFramer::create(/*isServer=*/false);
  for (auto _ : state) {
    Bytes frame = framer->createWriteFrame(qor::FrameOpCode::binaryFrame, framePayload(), false);
    if (!check(frame.size() == kFramePayload + 2 + 8 + 4, "frame")) break;
    benchmark::DoNotOptimize(frame.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFramePayload));
}

void maskFrameMemcpy(benchmark::State& state) {
  Bytes out(kFramePayload);
  for (auto _ : state) {
    std::memcpy(out.data(), framePayload().data(), kFramePayload);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFramePayload));
}

// The plain word-wise XOR of the payload into a buffer that already exists.
void maskFrameXor64(benchmark::State& state) {
  Bytes out(kFramePayload);
  const uint64_t mask = 0x0123456789abcdefULL;
  for (auto _ : state) {
    const uint8_t* in = framePayload().data();
    for (size_t i = 0; i < kFramePayload; i += 8) {
      uint64_t word;
      std::memcpy(&word, in + i, 8);
      word ^= mask;
      std::memcpy(out.data() + i, &word, 8);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFramePayload));
}

// A server reading a client's masked frame.
void unmaskFrameProject(benchmark::State& state) {
  const Bytes frame = qor::WSFramer::frameBytes(true, qor::FrameOpCode::binaryFrame, framePayload(), false);
  const qor::FrameRules rules{/*isServer=*/true};
  for (auto _ : state) {
    auto event = qor::readFrame(frame.data(), frame.size(), rules);
    auto* read = event.as<qor::ProcessEvent::ProcessedFrame>();
    if (!check(read && read->frame.payload.size() == kFramePayload, "frame read")) break;
    benchmark::DoNotOptimize(read->frame.payload.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFramePayload));
}

// --- inflate -------------------------------------------------------------------------------------

constexpr size_t kInflated = 1 << 20;

// JSON-like text with varying numbers: compresses about as well as the messages it stands for.
const Bytes& inflatedMessage() {
  static const Bytes text = [] {
    Bytes b;
    uint32_t x = 12345;
    while (b.size() < kInflated) {
      x = x * 1103515245u + 12345u;
      char record[96];
      const int n = std::snprintf(record, sizeof record, "{\"id\":%u,\"amount\":%u.%02u,\"state\":\"%s\"},",
                                  x % 100000, (x >> 8) % 5000, x % 100, (x & 1) ? "open" : "done");
      b.insert(b.end(), record, record + n);
    }
    b.resize(kInflated);
    return b;
  }();
  return text;
}

// One message as a peer sends it: raw deflate, sync-flushed, without the 00 00 FF FF tail.
const Bytes& deflatedMessage() {
  static const Bytes deflated = [] {
    z_stream s{};
    check(deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK, "deflateInit2");
    Bytes out(deflateBound(&s, kInflated) + 16);
    s.next_in = const_cast<Bytef*>(inflatedMessage().data());
    s.avail_in = static_cast<uInt>(kInflated);
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    check(deflate(&s, Z_SYNC_FLUSH) == Z_OK && s.avail_in == 0, "deflate");
    out.resize(out.size() - s.avail_out - 4);
    deflateEnd(&s);
    return out;
  }();
  return deflated;
}

void inflateProject(benchmark::State& state) {
  qor::WSCompression compression;
  compression.load({{"Sec-WebSocket-Extensions", "permessage-deflate; server_no_context_takeover"}});
  check(compression.isNegotiated(), "negotiation");
  for (auto _ : state) {
    auto result = compression.decompress(deflatedMessage(), /*isFinal=*/true);
    auto* bytes = std::get_if<Bytes>(&result);
    if (!check(bytes && bytes->size() == kInflated, "inflate")) break;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kInflated));
}

// Raw zlib with the answer's size known: one call into a buffer that already exists.
void inflateZlib(benchmark::State& state) {
  z_stream s{};
  check(inflateInit2(&s, -15) == Z_OK, "inflateInit2");
  Bytes input = deflatedMessage();
  input.insert(input.end(), {0x00, 0x00, 0xFF, 0xFF});
  Bytes out(kInflated + 1);
  for (auto _ : state) {
    inflateReset(&s);
    s.next_in = input.data();
    s.avail_in = static_cast<uInt>(input.size());
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&s, Z_SYNC_FLUSH);
    if (!check(rc == Z_OK && out.size() - s.avail_out == kInflated, "inflate")) break;
  }
  inflateEnd(&s);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kInflated));
}

}  // namespace

BENCHMARK(maskFrameProject)->Name("mask_frame.project");
BENCHMARK(maskFrameMemcpy)->Name("mask_frame.memcpy");
BENCHMARK(maskFrameXor64)->Name("mask_frame.xor64");
BENCHMARK(unmaskFrameProject)->Name("unmask_frame.project");
BENCHMARK(inflateProject)->Name("inflate.project")->Unit(benchmark::kMicrosecond);
BENCHMARK(inflateZlib)->Name("inflate.zlib")->Unit(benchmark::kMicrosecond);

}  // namespace qorbench
