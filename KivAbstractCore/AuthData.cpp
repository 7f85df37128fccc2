#include "KivAbstractCore/AuthData.h"

#include "KivAbstractCore/internal/ParcelCoding.h"
#include "platform/Utf16.h"

namespace qor {

std::shared_ptr<AuthData> AuthData::create() { return create(std::string(), false); }

std::shared_ptr<AuthData> AuthData::create(std::string uiJsonProperties, bool useFallbackScreen) {
  return std::shared_ptr<AuthData>(new AuthData(std::move(uiJsonProperties), useFallbackScreen));
}

std::shared_ptr<AuthData> AuthData::createFrom(const platform::Json& from, platform::Error* error) {
  return decode(from, std::string(), error);
}

std::shared_ptr<AuthData> AuthData::decode(const platform::Json& from, const std::string& path,
                                           platform::Error* error) {
  auto decoder = detail::KeyedDecoder::make(from, path, detail::DecodingFailure(error));
  if (!decoder) return nullptr;
  auto uiJsonProperties = decoder->string("uiJsonProperties");
  if (!uiJsonProperties) return nullptr;
  auto useFallbackScreen = decoder->boolean("useFallbackScreen");
  if (!useFallbackScreen) return nullptr;
  return create(std::move(*uiJsonProperties), *useFallbackScreen);
}

void AuthData::encode(platform::Json& to) const {
  platform::Json& object = detail::keyedContainer(to);
  object["uiJsonProperties"] = platform::sanitizeUtf8(uiJsonProperties_);
  object["useFallbackScreen"] = useFallbackScreen_;
}

}  // namespace qor
