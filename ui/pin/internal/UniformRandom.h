// The keypad's random draws: a uniform integer below a bound, from the system's secure random
// source without modulo bias (as arc4random_uniform), or from a source a test installs to script
// the draws.
//
// Thread-safe.
#pragma once

#include <cstdint>
#include <functional>

namespace qor::internal {

// From 0 to upperBound - 1; 0 when upperBound is below 2 (and when the system's source fails, so a
// failure never spins).
uint32_t uniformRandom(uint32_t upperBound);

using UniformRandomSource = std::function<uint32_t(uint32_t upperBound)>;

// Tests: draws come from `source` while the guard lives.
class ScopedUniformRandomSource {
 public:
  explicit ScopedUniformRandomSource(UniformRandomSource source);
  ~ScopedUniformRandomSource();
  ScopedUniformRandomSource(const ScopedUniformRandomSource&) = delete;
  ScopedUniformRandomSource& operator=(const ScopedUniformRandomSource&) = delete;

 private:
  UniformRandomSource previous_;
};

}  // namespace qor::internal
