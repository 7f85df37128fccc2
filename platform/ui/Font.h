// Fonts of the screen stand-in. A font is a value: its name, family, point size and weight. Named
// fonts come from a process-wide registry, where the host app makes its fonts available; a name that
// is not registered gives no font, as on the platform when a font is not installed. The system font
// is always there.
//
// The registry is safe from any thread.
#pragma once

#include <optional>
#include <string>

#include "platform/QORPlatformExport.h"

namespace platform {

enum class FontWeight { ultraLight, thin, light, regular, medium, semibold, bold, heavy, black };

struct QOR_PLATFORM_EXPORT Font {
  std::string name;    // e.g. "Ubuntu-Regular"; the system font is named kSystemFontName
  std::string family;  // e.g. "Ubuntu"
  double pointSize = 0.0;
  FontWeight weight = FontWeight::regular;

  // Nullopt when no font of that name is registered.
  static std::optional<Font> fontWithName(const std::string& name, double pointSize);
  static Font systemFontOfSize(double pointSize, FontWeight weight = FontWeight::regular);

  // Makes a font available under `name` (replacing an earlier registration of that name).
  static void registerFont(const std::string& name, const std::string& family, FontWeight weight);
  static void unregisterFont(const std::string& name);

  bool operator==(const Font& other) const = default;
};

inline constexpr const char* kSystemFontName = "System";

// "regular", "medium", ...; and back (nullopt for an unknown name).
QOR_PLATFORM_EXPORT const char* fontWeightName(FontWeight weight);
QOR_PLATFORM_EXPORT std::optional<FontWeight> fontWeightFromName(const std::string& name);

}  // namespace platform
