#include "ui/pin/internal/UniformRandom.h"

#include <mutex>
#include <utility>

#include "platform/Random.h"

namespace qor::internal {
namespace {

std::mutex& sourceMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

UniformRandomSource& installedSource() {
  static auto* source = new UniformRandomSource;
  return *source;
}

uint32_t secureUniform(uint32_t upperBound) {
  // Values below 2^32 mod upperBound would make the low results likelier; draw again.
  const uint32_t floor = uint32_t(-upperBound) % upperBound;
  for (;;) {
    uint32_t value = 0;
    if (!platform::secureRandomFill(reinterpret_cast<uint8_t*>(&value), sizeof value)) return 0;
    if (value >= floor) return value % upperBound;
  }
}

}  // namespace

uint32_t uniformRandom(uint32_t upperBound) {
  if (upperBound < 2) return 0;
  UniformRandomSource source;
  {
    std::lock_guard lock(sourceMutex());
    source = installedSource();
  }
  if (!source) return secureUniform(upperBound);
  // A scripted draw is kept inside the bound, as a real one would be.
  return source(upperBound) % upperBound;
}

ScopedUniformRandomSource::ScopedUniformRandomSource(UniformRandomSource source) {
  std::lock_guard lock(sourceMutex());
  previous_ = std::exchange(installedSource(), std::move(source));
}

ScopedUniformRandomSource::~ScopedUniformRandomSource() {
  std::lock_guard lock(sourceMutex());
  installedSource() = std::move(previous_);
}

}  // namespace qor::internal
