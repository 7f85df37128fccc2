// The device-integrity check: signs that the process or the device it runs on is not what the host
// app shipped, each reported as one finding. On Linux it examines
// - a debugger or tracer attached to the process ("TracerPid" of /proc/self/status),
// - libraries injected at load time (LD_PRELOAD or LD_AUDIT in the environment, objects listed in
//   /etc/ld.so.preload),
// - the process running with root's rights (effective user id 0),
// - the simulated device's own integrity flag (platform::Device::isIntegrityCompromised).
// The authorization commit carries the findings as records, just before the user's answer; the
// device-information report may call it too.
//
// What the check observes comes from a probe: by default the process itself. Tests install one
// with fixed observations (`setProbe`), so their results do not depend on how they are run (CI may
// run as root, a developer under a debugger). Thread-safe.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/artifacts/QORSessionArtifact.h"

namespace qor {

struct QORIntegrityObservations {
  int64_t tracerPid = 0;                  // 0: nothing traces the process
  std::vector<std::string> preloadSources;  // "LD_PRELOAD", "LD_AUDIT", "/etc/ld.so.preload": each one in force
  bool runsAsRoot = false;
  bool deviceFlagged = false;
};

struct QORIntegrityFinding {
  int64_t type;         // the record's type number (QORIntegrityArtifact)
  std::string finding;  // "DEBUGGER_ATTACHED", "INJECTED_LIBRARY", "RUNNING_AS_ROOT", "DEVICE_COMPROMISED"
  std::string detail;   // what was seen, without paths or values of the environment

  bool operator==(const QORIntegrityFinding& other) const = default;
};

class QORDeviceIntegrity {
 public:
  using Probe = std::function<QORIntegrityObservations()>;

  QORDeviceIntegrity() = delete;

  // The findings of the probe in force, in the order of the list above.
  static std::vector<QORIntegrityFinding> check();
  // One record per finding of `check()`.
  static std::vector<std::shared_ptr<QORSessionArtifact>> artifacts();

  static std::vector<QORIntegrityFinding> findingsFor(const QORIntegrityObservations& observations);
  // What the process and the simulated device show now.
  static QORIntegrityObservations observeProcess();
  // Installs the probe the check asks; an empty one restores observeProcess.
  static void setProbe(Probe probe);

  // Parts of observeProcess, over given text: "TracerPid" of a /proc/<pid>/status text (0 when
  // absent or malformed); whether an ld.so.preload text lists an object (blank lines and comments
  // do not count).
  static int64_t tracerPidFromStatus(const std::string& status);
  static bool listsPreloadedObjects(const std::string& preloadFile);
};

}  // namespace qor
