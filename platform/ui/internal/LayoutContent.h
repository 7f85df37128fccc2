// What a bundle keeps of each layout; immutable once added.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/LayoutNode.h"

namespace platform::detail {

struct StoryboardContent {
  std::string name;
  std::vector<LayoutScene> scenes;
};

struct NibContent {
  std::string name;
  std::vector<LayoutNode> objects;
};

}  // namespace platform::detail
