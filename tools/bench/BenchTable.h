// The rows of the summary that qor_bench prints after its runs: each pairs the SDK's benchmark with
// the floor it is measured against (both run in the same process, one after the other).
#pragma once

#include <cstddef>
#include <optional>

namespace qorbench {

struct Row {
  Row(const char* label_, const char* project_, const char* floor_, std::optional<double> maxRatio_ = {},
      size_t bytesPerIteration_ = 0, std::optional<double> minGBps_ = {})
      : label(label_), project(project_), floor(floor_), maxRatio(maxRatio_),
        bytesPerIteration(bytesPerIteration_), minGBps(minGBps_) {}

  const char* label;
  const char* project;  // benchmark name of the SDK's path
  const char* floor;    // benchmark name of its floor
  // Largest acceptable ratio project time / floor time; none: the row is for information.
  std::optional<double> maxRatio;
  // Bytes handled per iteration: the row is shown as throughput.
  size_t bytesPerIteration;
  // Smallest acceptable throughput of the project in GB/s (10^9 bytes per second).
  std::optional<double> minGBps;
};

}  // namespace qorbench
