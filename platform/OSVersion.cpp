#include "platform/OSVersion.h"

#include <mutex>

namespace platform {
namespace {

std::mutex& versionMutex() {
  static std::mutex* mutex = new std::mutex();
  return *mutex;
}

// A current release unless a test says otherwise.
OperatingSystemVersion& currentVersion() {
  static OperatingSystemVersion version{17, 0, 0};
  return version;
}

}  // namespace

OperatingSystemVersion operatingSystemVersion() {
  std::lock_guard lock(versionMutex());
  return currentVersion();
}

bool isOperatingSystemAtLeast(OperatingSystemVersion version) { return operatingSystemVersion() >= version; }

void setOperatingSystemVersion(OperatingSystemVersion version) {
  std::lock_guard lock(versionMutex());
  currentVersion() = version;
}

ScopedOperatingSystemVersion::ScopedOperatingSystemVersion(OperatingSystemVersion version)
    : previous_(operatingSystemVersion()) {
  setOperatingSystemVersion(version);
}

ScopedOperatingSystemVersion::~ScopedOperatingSystemVersion() { setOperatingSystemVersion(previous_); }

}  // namespace platform
