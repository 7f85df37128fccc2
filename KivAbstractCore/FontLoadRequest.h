// A parcel for the module's own use: font assets by name, each with its file's bytes. Nothing in the
// system creates one.
//
// Holds no lock; whoever shares one between threads synchronises it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KivAbstractCore/KivAbstractCoreExport.h"
#include "KivAbstractCore/Parcel.h"
#include "platform/Error.h"
#include "platform/Json.h"

namespace qor {

class KIV_EXPORT FontLoadRequest final : public Parcel {
 public:
  using FontAssetMap = std::map<std::string, std::vector<uint8_t>>;

  static std::shared_ptr<FontLoadRequest> create(FontAssetMap fontAssetMap);
  // Null, with the first failure in *error, unless "fontAssetMap" is an object whose members are all
  // arrays of integers from 0 to 255; other members are ignored.
  static std::shared_ptr<FontLoadRequest> createFrom(const platform::Json& from,
                                                     platform::Error* error = nullptr);

  // {"fontAssetMap": {name: [byte, ...], ...}}
  std::string pack() const override;
  // Writes "fontAssetMap" into `to` (made an object first when it is not one).
  void encode(platform::Json& to) const;

  const FontAssetMap& fontAssetMap() const { return fontAssetMap_; }
  void setFontAssetMap(FontAssetMap fontAssetMap) { fontAssetMap_ = std::move(fontAssetMap); }

 private:
  explicit FontLoadRequest(FontAssetMap fontAssetMap) : fontAssetMap_(std::move(fontAssetMap)) {}

  FontAssetMap fontAssetMap_;
};

}  // namespace qor
