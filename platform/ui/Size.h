// A width and a height in points.
#pragma once

namespace platform {

struct Size {
  double width = 0.0;
  double height = 0.0;

  bool operator==(const Size& other) const = default;
};

}  // namespace platform
