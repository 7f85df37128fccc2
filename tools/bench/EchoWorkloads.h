// The WebSocket echo workloads: what one iteration of each echo benchmark sends, shared by the
// benchmarks and the summary's rows.
#pragma once

#include <cstddef>

namespace qorbench {

struct EchoWorkload {
  const char* name;  // the middle part of the benchmark names
  size_t size;       // bytes per message
  int count;         // messages per iteration
  int window;        // messages waiting for their echo at most (1: one round trip at a time)
};

inline constexpr EchoWorkload kEchoWorkloads[] = {
    {"roundtrip_125B", 125, 2000, 1},
    {"throughput_64KiB", 64 * 1024, 500, 8},
    {"throughput_1MiB", 1024 * 1024, 50, 4},
};

inline constexpr size_t kEchoRoundTrips = 2000;
inline constexpr size_t kEcho64KiBBytes = size_t{64 * 1024} * 500;
inline constexpr size_t kEcho1MiBBytes = size_t{1024 * 1024} * 50;
static_assert(kEchoWorkloads[0].count == kEchoRoundTrips &&
              kEchoWorkloads[1].size * kEchoWorkloads[1].count == kEcho64KiBBytes &&
              kEchoWorkloads[2].size * kEchoWorkloads[2].count == kEcho1MiBBytes);

}  // namespace qorbench
