// A width and a height in points.
#pragma once

#include "platform/QORPlatformExport.h"

namespace platform {

struct QOR_PLATFORM_EXPORT Size {
  double width = 0.0;
  double height = 0.0;

  bool operator==(const Size& other) const = default;
};

}  // namespace platform
