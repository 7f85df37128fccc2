// One custom font that the host app supplies: the variant it stands for and the font file's bytes.
// Made by the typed initializer it always holds bytes; only the property may be absent.
//
// Holds no lock; whoever shares one between threads synchronises it.
#pragma once

#include <memory>
#include <string>

#include "KivAbstractCore/KivAbstractCoreExport.h"
#include "platform/Bytes.h"

namespace qor {

class KIV_EXPORT LocalFontConfig {
 public:
  // An empty variant and no font data.
  static std::shared_ptr<LocalFontConfig> create();
  static std::shared_ptr<LocalFontConfig> create(std::string fontVariant, platform::Bytes fontFileResource);

  const std::string& fontVariant() const { return fontVariant_; }
  void setFontVariant(std::string fontVariant) { fontVariant_ = std::move(fontVariant); }
  const platform::OptBytes& fontFileResource() const { return fontFileResource_; }
  void setFontFileResource(platform::OptBytes fontFileResource) { fontFileResource_ = std::move(fontFileResource); }

 private:
  LocalFontConfig(std::string fontVariant, platform::OptBytes fontFileResource)
      : fontVariant_(std::move(fontVariant)), fontFileResource_(std::move(fontFileResource)) {}

  std::string fontVariant_;
  platform::OptBytes fontFileResource_;
};

}  // namespace qor
