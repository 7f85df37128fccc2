// What the device can tell the server about itself: whether biometrics can be used now, whether the
// user allows notification alerts for the host app, and a table of further facts (screen, system,
// vendor identifier, app version, device-integrity findings) that can be rendered as JSON text.
//
// Class methods only; safe from any thread. `isApnsEnabled` answers on the queue on which the
// platform delivers the notification settings.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Json.h"
#include "platform/devices/LAContext.h"

namespace qor {

class QORDeviceInfoProvider {
 public:
  QORDeviceInfoProvider() = delete;

  // From system 11 on: the device can evaluate the biometric policy now and its biometry is Touch ID
  // (Face ID). Before 11: whether the policy can be evaluated, and never Face ID.
  static bool isTouchIDAvailable();
  static bool isFaceIDAvailable();
  // Hands the block whether the notification settings' alert setting is enabled; nothing happens
  // for an empty block.
  static void isApnsEnabled(std::function<void(bool enabled)> completion);

  // The facts 1 to 12 merged into one object.
  static platform::Json deviceInfo();
  // The facts of the given numbers merged into one object.
  static platform::Json deviceInfoFor(const std::vector<int64_t>& types);
  // The one-member object of a fact; an empty object for a number outside 1 to 12 and for a fact
  // the device cannot tell.
  static platform::Json infoForType(int64_t type);
  // deviceInfo as pretty-printed UTF-8 JSON text (ill-formed UTF-8 in a value becomes U+FFFD).
  static std::string deviceInfoAsJSONString();

  // The biometry the device can use now: none unless the biometric policy can be evaluated (a new
  // context knows the device's type once asked, whatever it answered).
  static platform::LABiometryType getAvailableBiometry();
};

}  // namespace qor
