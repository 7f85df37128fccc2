// Names of the module's UI operations. The raw text is a case's identity both ways: what the module's
// channel carries and what it is looked up by.
#pragma once

#include <optional>
#include <string_view>

#include "KivAbstractCore/KivAbstractCoreExport.h"

namespace qor {

enum class CrossPlatformUIReceivers {
  DISPLAY_UI,
  HIDE_UI,
  BUILD_UI,
  SHOW_TRANSACTION_APPROVED_SCREEN,
  SHOW_TRANSACTION_DECLINED_SCREEN,
  CREATE_PRIVATE_CHANNEL,
  HIDE_PROGRESS_SCREEN,
  SHOW_PROGRESS_SCREEN,
  LOAD_CUSTOM_FONTS,
};

KIV_EXPORT std::string_view rawValue(CrossPlatformUIReceivers receiver);
// The case whose raw text is exactly `rawValue` (letter case included); none for any other text.
KIV_EXPORT std::optional<CrossPlatformUIReceivers> crossPlatformUIReceiversFromRawValue(std::string_view rawValue);

}  // namespace qor
