// A screenshot of a view and its subviews as an image of its size (one pixel per point). Headless,
// only what has a colour is drawn: the background colours of the views that are not hidden, in
// order, blended over each other and clipped by views that clip to their bounds. Texts and images
// are not drawn.
//
// Main queue only.
#pragma once

#include <memory>

#include "platform/ui/Image.h"

namespace platform {

class View;

// nullptr for a view narrower or lower than one point, or larger than 8192 points on a side.
std::shared_ptr<Image> snapshotImage(const std::shared_ptr<View>& view);

}  // namespace platform
