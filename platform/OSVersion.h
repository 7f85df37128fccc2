// The operating-system version test. The process reports a current version unless a test sets
// another one, so that the branches older systems take can be run here.
//
// Thread-safe.
#pragma once

#include <compare>

#include "platform/QORPlatformExport.h"

namespace platform {

struct QOR_PLATFORM_EXPORT OperatingSystemVersion {
  int majorVersion = 0;
  int minorVersion = 0;
  int patchVersion = 0;

  auto operator<=>(const OperatingSystemVersion&) const = default;
};

QOR_PLATFORM_EXPORT OperatingSystemVersion operatingSystemVersion();
QOR_PLATFORM_EXPORT bool isOperatingSystemAtLeast(OperatingSystemVersion version);
// Tests: the version the process reports from now on.
QOR_PLATFORM_EXPORT void setOperatingSystemVersion(OperatingSystemVersion version);

// Test guard: reports `version` while it lives, then the version reported before.
class QOR_PLATFORM_EXPORT ScopedOperatingSystemVersion {
 public:
  explicit ScopedOperatingSystemVersion(OperatingSystemVersion version);
  ~ScopedOperatingSystemVersion();
  ScopedOperatingSystemVersion(const ScopedOperatingSystemVersion&) = delete;
  ScopedOperatingSystemVersion& operator=(const ScopedOperatingSystemVersion&) = delete;

 private:
  OperatingSystemVersion previous_;
};

}  // namespace platform
