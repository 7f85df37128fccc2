#include "common/request/QORJsonByteObjectConverter.h"

namespace qor {
namespace {

// As deep as the platform's reader goes. Answer bytes come from the network, and a value nested
// deeper than the stack allows would crash the first copy or write of it.
constexpr size_t kMaxNestingDepth = 512;

// Brackets outside of strings; exact for JSON, and text that is no JSON fails the parse anyway.
bool nestsTooDeep(const platform::Bytes& data) {
  size_t depth = 0;
  bool inString = false, escaped = false;
  for (uint8_t c : data) {
    if (inString) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxNestingDepth) return true;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return false;
}

}  // namespace

platform::OptBytes QORJsonByteObjectConverter::dataFromDictionary(const std::optional<platform::Json>& dictionary) {
  if (!dictionary || !dictionary->is_object()) return std::nullopt;
  return platform::dataWithJSONObject(*dictionary);
}

std::optional<platform::Json> QORJsonByteObjectConverter::dictionaryFromData(const platform::OptBytes& data) {
  if (!data || nestsTooDeep(*data)) return std::nullopt;
  auto parsed = platform::JSONObjectWithData(*data);
  if (!parsed || !parsed->is_object()) return std::nullopt;
  return parsed;
}

}  // namespace qor
