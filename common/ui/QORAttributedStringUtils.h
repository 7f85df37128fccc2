// Recolouring a range of an attributed text. Nothing inside the system calls it; QORCommon offers
// it to host apps.
#pragma once

#include <optional>

#include "platform/ui/AttributedString.h"
#include "platform/ui/Color.h"

namespace qor {

class QORAttributedStringUtils {
 public:
  // A new text equal to `string` except that every character of `range` has the foreground colour
  // `color` (whether it had one before or not); with no colour, an equal copy. A range reaching past
  // the text is clipped to it. `string` is not changed.
  static platform::AttributedString createFromAttributedString(const platform::AttributedString& string,
                                                               platform::Range range,
                                                               const std::optional<platform::Color>& color);
};

}  // namespace qor
