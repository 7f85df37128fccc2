#include "common/ui/QORAttributedStringUtils.h"

namespace qor {

platform::AttributedString QORAttributedStringUtils::createFromAttributedString(
    const platform::AttributedString& string, platform::Range range, const std::optional<platform::Color>& color) {
  platform::AttributedString copy = string;
  if (!color) return copy;
  // Run by run over the foreground colour, as the platform enumerates it; the runs cover the range.
  for (const auto& run : string.runs(range)) {
    copy.addAttributes(platform::TextAttributes{color, std::nullopt, std::nullopt}, run.range);
  }
  return copy;
}

}  // namespace qor
