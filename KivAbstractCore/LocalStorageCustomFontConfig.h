// The custom fonts that the host app hands to the module; the facade sends an empty list when the
// host app gives none. The list's LocalFontConfig objects are shared, not copied.
//
// Holds no lock; the facade makes it on the host app's thread and hands it over at once.
#pragma once

#include <memory>
#include <vector>

#include "KivAbstractCore/CustomFontConfig.h"
#include "KivAbstractCore/KivAbstractCoreExport.h"
#include "KivAbstractCore/LocalFontConfig.h"

namespace qor {

class KIV_EXPORT LocalStorageCustomFontConfig final : public CustomFontConfig {
 public:
  using FontConfigList = std::vector<std::shared_ptr<LocalFontConfig>>;

  // An empty list.
  static std::shared_ptr<LocalStorageCustomFontConfig> create();
  static std::shared_ptr<LocalStorageCustomFontConfig> create(FontConfigList fontConfigList);

  const FontConfigList& fontConfigList() const { return fontConfigList_; }
  void setFontConfigList(FontConfigList fontConfigList) { fontConfigList_ = std::move(fontConfigList); }

 private:
  explicit LocalStorageCustomFontConfig(FontConfigList fontConfigList) : fontConfigList_(std::move(fontConfigList)) {}

  FontConfigList fontConfigList_;
};

}  // namespace qor
