// The host app's information values (its property list on the mobile platform): text values under
// keys such as "NSFaceIDUsageDescription" and "CFBundleShortVersionString". The host app (or a test)
// sets them; the system only reads them. Process-wide and safe from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/QORPlatformExport.h"

namespace platform {

class QOR_PLATFORM_EXPORT AppInfo {
 public:
  static std::optional<std::string> value(std::string_view key);
  // Nullopt removes the key.
  static void setValue(std::string_view key, std::optional<std::string> value);
};

}  // namespace platform
