#include "sdk/deviceinfo/QORDeviceInfoProvider.h"

#include <cctype>
#include <charconv>

#include "platform/AppInfo.h"
#include "platform/OSVersion.h"
#include "platform/devices/Device.h"
#include "platform/devices/UNUserNotificationCenter.h"
#include "platform/ui/Screen.h"
#include "sdk/deviceinfo/internal/DeviceIntegrityFacts.h"

namespace qor {
namespace {

constexpr platform::OperatingSystemVersion kBiometryTypeVersion{11, 0, 0};

bool canEvaluateBiometrics(platform::LAContext& context) {
  return context.canEvaluatePolicy(platform::LAPolicy::deviceOwnerAuthenticationWithBiometrics);
}

// The leading decimal number of the text as a single-precision value, 0 when there is none (the
// platform's reading of a text as a float: "12.4.1" reads as 12.4).
float floatValue(const std::string& text) {
  size_t start = 0;
  while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
  float value = 0;
  std::from_chars(text.data() + start, text.data() + text.size(), value);
  return value;
}

// "%g" in the C locale: six significant digits, trailing zeros dropped.
std::string shortestGeneral(double value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
  return std::string(buffer, result.ptr);
}

// The simulated device has no system version file to read a build number from.
constexpr const char* kBuildIdNotAvailable = "notAvailable";

}  // namespace

platform::LABiometryType QORDeviceInfoProvider::getAvailableBiometry() {
  auto context = platform::LAContext::create();
  if (!canEvaluateBiometrics(*context)) return platform::LABiometryType::none;
  return context->biometryType();
}

bool QORDeviceInfoProvider::isTouchIDAvailable() {
  if (!platform::isOperatingSystemAtLeast(kBiometryTypeVersion)) {
    return canEvaluateBiometrics(*platform::LAContext::create());
  }
  return getAvailableBiometry() == platform::LABiometryType::touchID;
}

bool QORDeviceInfoProvider::isFaceIDAvailable() {
  if (!platform::isOperatingSystemAtLeast(kBiometryTypeVersion)) return false;
  return getAvailableBiometry() == platform::LABiometryType::faceID;
}

void QORDeviceInfoProvider::isApnsEnabled(std::function<void(bool enabled)> completion) {
  if (!completion) return;
  platform::UNUserNotificationCenter::currentNotificationCenter()->getNotificationSettingsWithCompletionHandler(
      [completion = std::move(completion)](const platform::UNNotificationSettings& settings) {
        completion(settings.alertSetting == platform::UNNotificationSetting::enabled);
      });
}

platform::Json QORDeviceInfoProvider::deviceInfo() { return deviceInfoFor({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}); }

platform::Json QORDeviceInfoProvider::deviceInfoFor(const std::vector<int64_t>& types) {
  platform::Json merged = platform::Json::object();
  for (int64_t type : types) merged.update(infoForType(type));
  return merged;
}

platform::Json QORDeviceInfoProvider::infoForType(int64_t type) {
  const auto screen = platform::Screen::mainScreen();
  const auto device = platform::Device::currentDevice();
  switch (type) {
    case 1:
      return {{"pixelDensity", screen.scale() > 0 ? screen.scale() * 160.0 : 160.0}};
    case 2:
      return {{"screenWidth", screen.nativeBounds().size.width}};
    case 3:
      return {{"screenHeight", screen.nativeBounds().size.height}};
    case 4:
      return {{"osVersion", shortestGeneral(floatValue(device.systemVersion()))}};
    case 5:
      return {{"brand", device.name()}};
    case 6:
      return {{"buildId", kBuildIdNotAvailable}};
    case 7:
      // The platform has no vendor identifier while the device is locked after a restart.
      return {{"buildUniqueId", device.identifierForVendor().value_or(kBuildIdNotAvailable)}};
    case 8:
      return {{"buildDetails", "release"}};
    case 9:
      return {{"manufacturer", "Apple"}};
    case 11:
      return {{"changeList", platform::AppInfo::value("CFBundleShortVersionString").value_or("")}};
    case 10:
    case 12:
      if (auto fact = internal::deviceIntegrityFact(type)) return {{fact->first, fact->second}};
      return platform::Json::object();
    default:
      return platform::Json::object();
  }
}

std::string QORDeviceInfoProvider::deviceInfoAsJSONString() {
  return deviceInfo().dump(2, ' ', false, platform::Json::error_handler_t::replace);
}

}  // namespace qor
