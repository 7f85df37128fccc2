#include "sdk/deviceinfo/internal/DeviceIntegrityFacts.h"

#include "sdk/integrity/QORDeviceIntegrity.h"

namespace qor::internal {

// Fact 10 says whether the device-integrity check found anything at all; fact 12 names what it
// found, in the check's order, so a server can weigh each finding on its own.
std::optional<std::pair<std::string, platform::Json>> deviceIntegrityFact(int64_t number) {
  if (number != 10 && number != 12) return std::nullopt;
  const auto findings = QORDeviceIntegrity::check();
  if (number == 10) return std::pair<std::string, platform::Json>{"isIntegrityCompromised", !findings.empty()};
  platform::Json names = platform::Json::array();
  for (const auto& finding : findings) names.push_back(finding.finding);
  return std::pair<std::string, platform::Json>{"integrityFindings", std::move(names)};
}

}  // namespace qor::internal
