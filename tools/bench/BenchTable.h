// The rows of the summary that qor_bench prints after its runs: each pairs the SDK's benchmark with
// the floor it is measured against (both run in the same process, one after the other).
#pragma once

#include <cstddef>
#include <optional>

namespace qorbench {

struct Row {
  const char* label;
  const char* project;  // benchmark name of the SDK's path
  const char* floor;    // benchmark name of its floor
  // When set, the floor is the faster of `floor` and this one (two independent peers, say).
  const char* otherFloor = nullptr;
  // Largest acceptable ratio project time / floor time; none: the row is for information.
  std::optional<double> maxRatio = {};
  // Bytes handled per iteration: the row is shown as throughput.
  size_t bytesPerIteration = 0;
  // Smallest acceptable throughput of the project in GB/s (10^9 bytes per second).
  std::optional<double> minGBps = {};
  // Operations per iteration: a time row shows the time of one (a round trip of several per run).
  size_t operationsPerIteration = 1;
  // Compare the CPU time of the whole process (every thread) instead of the elapsed time.
  bool processCpu = false;
};

}  // namespace qorbench
