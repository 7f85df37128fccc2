// The operating-system version test. The process reports a current version unless a test sets
// another one, so that the branches older systems take can be run here.
//
// Thread-safe.
#pragma once

#include <compare>

namespace platform {

struct OperatingSystemVersion {
  int majorVersion = 0;
  int minorVersion = 0;
  int patchVersion = 0;

  auto operator<=>(const OperatingSystemVersion&) const = default;
};

OperatingSystemVersion operatingSystemVersion();
bool isOperatingSystemAtLeast(OperatingSystemVersion version);
// Tests: the version the process reports from now on.
void setOperatingSystemVersion(OperatingSystemVersion version);

// Test guard: reports `version` while it lives, then the version reported before.
class ScopedOperatingSystemVersion {
 public:
  explicit ScopedOperatingSystemVersion(OperatingSystemVersion version);
  ~ScopedOperatingSystemVersion();
  ScopedOperatingSystemVersion(const ScopedOperatingSystemVersion&) = delete;
  ScopedOperatingSystemVersion& operator=(const ScopedOperatingSystemVersion&) = delete;

 private:
  OperatingSystemVersion previous_;
};

}  // namespace platform
