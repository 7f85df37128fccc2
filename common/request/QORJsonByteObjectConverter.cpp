#include "common/request/QORJsonByteObjectConverter.h"

namespace qor {

platform::OptBytes QORJsonByteObjectConverter::dataFromDictionary(const std::optional<platform::Json>& dictionary) {
  if (!dictionary || !dictionary->is_object()) return std::nullopt;
  return platform::dataWithJSONObject(*dictionary);
}

std::optional<platform::Json> QORJsonByteObjectConverter::dictionaryFromData(const platform::OptBytes& data) {
  if (!data) return std::nullopt;
  auto parsed = platform::JSONObjectWithData(*data);
  if (!parsed || !parsed->is_object()) return std::nullopt;
  return parsed;
}

}  // namespace qor
