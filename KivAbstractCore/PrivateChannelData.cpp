#include "KivAbstractCore/PrivateChannelData.h"

#include "KivAbstractCore/internal/ParcelCoding.h"
#include "platform/Utf16.h"

namespace qor {

std::shared_ptr<PrivateChannelData> PrivateChannelData::create(std::string channelName) {
  return std::shared_ptr<PrivateChannelData>(new PrivateChannelData(std::move(channelName)));
}

std::shared_ptr<PrivateChannelData> PrivateChannelData::createFrom(const platform::Json& from,
                                                                   platform::Error* error) {
  auto decoder = detail::KeyedDecoder::make(from, std::string(), detail::DecodingFailure(error));
  if (!decoder) return nullptr;
  auto channelName = decoder->string("channelName");
  if (!channelName) return nullptr;
  return create(std::move(*channelName));
}

std::string PrivateChannelData::pack() const { return detail::packEncoded(*this); }

void PrivateChannelData::encode(platform::Json& to) const {
  detail::keyedContainer(to)["channelName"] = platform::sanitizeUtf8(channelName_);
}

}  // namespace qor
