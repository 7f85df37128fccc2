// The colour step the screens share: a button's title colour for the normal state from one theme key
// and, when a second key is given, its background colour from that one. Nothing without a theme.
#pragma once

#include <memory>

#include "common/theme/QORTheme.h"
#include "platform/ui/Button.h"

namespace qor::internal {

inline void applyButtonColours(const std::shared_ptr<platform::Button>& button, const std::shared_ptr<QORTheme>& theme,
                               const char* titleKey, const char* backgroundKey = nullptr) {
  if (!button || !theme) return;
  button->setTitleColor(theme->getColorForKey(titleKey));
  if (backgroundKey) button->setBackgroundColor(theme->getColorForKey(backgroundKey));
}

}  // namespace qor::internal
