#include "KivAbstractCore/LocalStorageCustomFontConfig.h"

namespace qor {

std::shared_ptr<LocalStorageCustomFontConfig> LocalStorageCustomFontConfig::create() { return create({}); }

std::shared_ptr<LocalStorageCustomFontConfig> LocalStorageCustomFontConfig::create(FontConfigList fontConfigList) {
  return std::shared_ptr<LocalStorageCustomFontConfig>(new LocalStorageCustomFontConfig(std::move(fontConfigList)));
}

}  // namespace qor
