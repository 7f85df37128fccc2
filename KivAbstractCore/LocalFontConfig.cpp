#include "KivAbstractCore/LocalFontConfig.h"

namespace qor {

std::shared_ptr<LocalFontConfig> LocalFontConfig::create() {
  return std::shared_ptr<LocalFontConfig>(new LocalFontConfig({}, std::nullopt));
}

std::shared_ptr<LocalFontConfig> LocalFontConfig::create(std::string fontVariant, platform::Bytes fontFileResource) {
  return std::shared_ptr<LocalFontConfig>(new LocalFontConfig(std::move(fontVariant), std::move(fontFileResource)));
}

}  // namespace qor
