#include "KivAbstractCore/FontLoadRequest.h"

#include "KivAbstractCore/internal/ParcelCoding.h"
#include "platform/Utf16.h"

namespace qor {

std::shared_ptr<FontLoadRequest> FontLoadRequest::create(FontAssetMap fontAssetMap) {
  return std::shared_ptr<FontLoadRequest>(new FontLoadRequest(std::move(fontAssetMap)));
}

std::shared_ptr<FontLoadRequest> FontLoadRequest::createFrom(const platform::Json& from, platform::Error* error) {
  auto decoder = detail::KeyedDecoder::make(from, std::string(), detail::DecodingFailure(error));
  if (!decoder) return nullptr;
  auto assets = decoder->nested("fontAssetMap");
  if (!assets) return nullptr;
  FontAssetMap map;
  for (const auto& [name, bytes] : assets->object().items()) {
    const std::string path = assets->pathOf(name);
    if (bytes.is_null() || !bytes.is_array()) {
      assets->failure().set(bytes.is_null() ? KivDecodingError::valueNotFound : KivDecodingError::typeMismatch,
                            path, "expected an array of bytes");
      return nullptr;
    }
    std::vector<uint8_t>& out = map[name];
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
      auto byte = detail::integerValue(bytes[i], 0, 255, path + "[" + std::to_string(i) + "]", assets->failure());
      if (!byte) return nullptr;
      out.push_back(static_cast<uint8_t>(*byte));
    }
  }
  return create(std::move(map));
}

std::string FontLoadRequest::pack() const { return detail::packEncoded(*this); }

void FontLoadRequest::encode(platform::Json& to) const {
  platform::Json assets = platform::Json::object();
  for (const auto& [name, bytes] : fontAssetMap_) {
    // Two names that differ only in ill-formed bytes would meet here; the first one is kept.
    assets.emplace(platform::sanitizeUtf8(name), bytes);
  }
  detail::keyedContainer(to)["fontAssetMap"] = std::move(assets);
}

}  // namespace qor
