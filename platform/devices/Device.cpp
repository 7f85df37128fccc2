#include "platform/devices/Device.h"

#include <mutex>

#include "platform/OSVersion.h"
#include "platform/UUID.h"

namespace platform {
namespace {

struct DeviceState {
  std::mutex mutex;
  std::string name = "iPhone";
  std::string model = "iPhone";
  std::optional<std::string> identifierForVendor = uuidString();
  bool integrityCompromised = false;
};

DeviceState& state() {
  static auto* s = new DeviceState;
  return *s;
}

}  // namespace

Device Device::currentDevice() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  Device device;
  device.name_ = s.name;
  device.model_ = s.model;
  device.systemName_ = "iOS";
  device.identifierForVendor_ = s.identifierForVendor;
  device.integrityCompromised_ = s.integrityCompromised;
  return device;
}

std::string Device::systemVersion() const {
  const auto v = operatingSystemVersion();
  std::string text = std::to_string(v.majorVersion) + "." + std::to_string(v.minorVersion);
  if (v.patchVersion != 0) text += "." + std::to_string(v.patchVersion);
  return text;
}

void Device::setName(std::string name) {
  std::lock_guard lock(state().mutex);
  state().name = std::move(name);
}

void Device::setModel(std::string model) {
  std::lock_guard lock(state().mutex);
  state().model = std::move(model);
}

void Device::setIdentifierForVendor(std::optional<std::string> identifier) {
  std::lock_guard lock(state().mutex);
  state().identifierForVendor = std::move(identifier);
}

void Device::setIntegrityCompromised(bool compromised) {
  std::lock_guard lock(state().mutex);
  state().integrityCompromised = compromised;
}

void Device::reset() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.name = "iPhone";
  s.model = "iPhone";
  s.identifierForVendor = uuidString();
  s.integrityCompromised = false;
}

}  // namespace platform
