// The drawing layer of a view: rounded corners, clipping and a shadow. Nothing is drawn headless;
// the values are what the screens set and what tests read. Defaults are the platform's.
#pragma once

#include <optional>

#include "platform/QORPlatformExport.h"
#include "platform/ui/Color.h"
#include "platform/ui/Size.h"

namespace platform {

struct QOR_PLATFORM_EXPORT Layer {
  double cornerRadius = 0.0;
  bool masksToBounds = false;
  std::optional<Color> shadowColor = Color::colorWithRed(0, 0, 0, 1);
  Size shadowOffset{0.0, -3.0};
  double shadowRadius = 3.0;
  double shadowOpacity = 0.0;
};

}  // namespace platform
