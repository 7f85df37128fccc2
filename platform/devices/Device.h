// Facts of the simulated device (the platform's UIDevice): its name, model, system name and version,
// and the vendor identifier of the host app. The system version is platform::operatingSystemVersion()
// (OSVersion.h), so the branches at 11.0, 12.0 and 13.0 are chosen there; the screen's facts are
// platform::Screen's. The host app or a test sets the rest.
//
// Safe from any thread.
#pragma once

#include <optional>
#include <string>

#include "platform/QORPlatformExport.h"

namespace platform {

class QOR_PLATFORM_EXPORT Device {
 public:
  static Device currentDevice();

  const std::string& name() const { return name_; }
  const std::string& model() const { return model_; }
  const std::string& systemName() const { return systemName_; }
  // "major.minor", with ".patch" when the patch number is not 0 ("17.0", "12.4.1").
  std::string systemVersion() const;
  // A UUID text, the same for the whole process unless set; nullopt when set so (the platform gives
  // none while the device is locked after a restart).
  const std::optional<std::string>& identifierForVendor() const { return identifierForVendor_; }
  // The simulated device's own word that its system was tampered with (on the platform, what a
  // jailbreak leaves behind); false unless set.
  bool isIntegrityCompromised() const { return integrityCompromised_; }

  // Simulation.
  static void setName(std::string name);
  static void setModel(std::string model);
  static void setIdentifierForVendor(std::optional<std::string> identifier);
  static void setIntegrityCompromised(bool compromised);
  // "iPhone", "iPhone", "iOS", a new vendor identifier, integrity intact.
  static void reset();

 private:
  Device() = default;
  std::string name_;
  std::string model_;
  std::string systemName_;
  std::optional<std::string> identifierForVendor_;
  bool integrityCompromised_ = false;
};

}  // namespace platform
