#include "sdk/integrity/QORDeviceIntegrity.h"

#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/devices/Device.h"
#include "sdk/integrity/QORIntegrityArtifact.h"

namespace qor {
namespace {

struct ProbeSlot {
  std::mutex mutex;
  QORDeviceIntegrity::Probe probe;
};

ProbeSlot& probeSlot() {
  static auto* slot = new ProbeSlot;
  return *slot;
}

std::string readFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

std::vector<QORIntegrityFinding> QORDeviceIntegrity::check() {
  Probe probe;
  {
    std::lock_guard lock(probeSlot().mutex);
    probe = probeSlot().probe;
  }
  return findingsFor(probe ? probe() : observeProcess());
}

std::vector<std::shared_ptr<QORSessionArtifact>> QORDeviceIntegrity::artifacts() {
  std::vector<std::shared_ptr<QORSessionArtifact>> records;
  for (auto& finding : check()) records.push_back(QORIntegrityArtifact::create(std::move(finding)));
  return records;
}

std::vector<QORIntegrityFinding> QORDeviceIntegrity::findingsFor(const QORIntegrityObservations& observations) {
  std::vector<QORIntegrityFinding> findings;
  if (observations.tracerPid != 0) {
    findings.push_back({QORIntegrityArtifact::kTypeDebuggerAttached, "DEBUGGER_ATTACHED",
                        "TracerPid " + std::to_string(observations.tracerPid)});
  }
  for (const auto& source : observations.preloadSources) {
    findings.push_back({QORIntegrityArtifact::kTypeInjectedLibrary, "INJECTED_LIBRARY", source});
  }
  if (observations.runsAsRoot) findings.push_back({QORIntegrityArtifact::kTypeRunningAsRoot, "RUNNING_AS_ROOT", "euid 0"});
  if (observations.deviceFlagged) {
    findings.push_back({QORIntegrityArtifact::kTypeDeviceCompromised, "DEVICE_COMPROMISED", "device integrity flag"});
  }
  return findings;
}

QORIntegrityObservations QORDeviceIntegrity::observeProcess() {
  QORIntegrityObservations seen;
  seen.tracerPid = tracerPidFromStatus(readFile("/proc/self/status"));
  for (const char* name : {"LD_PRELOAD", "LD_AUDIT"}) {
    if (isSet(name)) seen.preloadSources.emplace_back(name);
  }
  if (listsPreloadedObjects(readFile("/etc/ld.so.preload"))) seen.preloadSources.emplace_back("/etc/ld.so.preload");
  seen.runsAsRoot = ::geteuid() == 0;
  seen.deviceFlagged = platform::Device::currentDevice().isIntegrityCompromised();
  return seen;
}

void QORDeviceIntegrity::setProbe(Probe probe) {
  std::lock_guard lock(probeSlot().mutex);
  probeSlot().probe = std::move(probe);
}

int64_t QORDeviceIntegrity::tracerPidFromStatus(const std::string& status) {
  std::istringstream lines(status);
  for (std::string line; std::getline(lines, line);) {
    constexpr std::string_view kKey = "TracerPid:";
    if (line.compare(0, kKey.size(), kKey) != 0) continue;
    const std::string_view value = trimmed(std::string_view(line).substr(kKey.size()));
    int64_t pid = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), pid);
    if (error != std::errc() || end != value.data() + value.size() || pid < 0) return 0;
    return pid;
  }
  return 0;
}

bool QORDeviceIntegrity::listsPreloadedObjects(const std::string& preloadFile) {
  std::istringstream lines(preloadFile);
  for (std::string line; std::getline(lines, line);) {
    const std::string_view entry = trimmed(line);
    if (!entry.empty() && entry.front() != '#') return true;
  }
  return false;
}

}  // namespace qor
