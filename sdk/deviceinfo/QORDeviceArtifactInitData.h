// Which device facts a device-information record reports, and the facts themselves. A plain value;
// used from one queue at a time.
#pragma once

namespace qor {

struct QORDeviceArtifactInitData {
  bool isBiometryStatusNeeded = false;
  bool isApnsStatusNeeded = false;
  bool isBiometryAvailable = false;
  bool isApnsAvailable = false;
};

}  // namespace qor
