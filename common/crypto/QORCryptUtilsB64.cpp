#include "common/crypto/QORCryptUtilsB64.h"

#include <string_view>

#include "platform/Base64.h"

namespace qor {

std::optional<std::string> QORCryptUtilsB64::encodeDataToString(const platform::OptBytes& data) {
  if (!data) return std::nullopt;
  return platform::base64Encode(*data);
}

platform::OptBytes QORCryptUtilsB64::encodeData(const platform::OptBytes& data) {
  if (!data) return std::nullopt;
  return platform::bytesFromString(platform::base64Encode(*data));
}

std::optional<std::string> QORCryptUtilsB64::encodeString(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  return platform::base64Encode(platform::bytesFromString(*text));
}

platform::OptBytes QORCryptUtilsB64::decodeString(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  return platform::base64Decode(*text);
}

platform::OptBytes QORCryptUtilsB64::decodeData(const platform::OptBytes& data) {
  if (!data) return std::nullopt;
  return platform::base64Decode(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
}

}  // namespace qor
