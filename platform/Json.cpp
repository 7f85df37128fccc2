#include "platform/Json.h"

#include <cmath>

namespace platform {
namespace {

bool validUtf8(const std::string& s) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    auto c = static_cast<unsigned char>(s[i]);
    size_t len;
    uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4, cp = c & 0x07;
    } else {
      return false;
    }
    if (n - i < len) return false;
    for (size_t k = 1; k < len; ++k) {
      auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

bool validValue(const Json& v) {
  switch (v.type()) {
    case Json::value_t::number_float:
      return std::isfinite(v.get<double>());
    case Json::value_t::string:
      return validUtf8(v.get_ref<const std::string&>());
    case Json::value_t::array:
      for (const auto& e : v) {
        if (!validValue(e)) return false;
      }
      return true;
    case Json::value_t::object:
      for (const auto& [k, e] : v.items()) {
        if (!validUtf8(k) || !validValue(e)) return false;
      }
      return true;
    case Json::value_t::discarded:
    case Json::value_t::binary:
      return false;
    default:
      return true;
  }
}

// As deep as the platform's reader goes. Text from the network nested deeper than the stack allows
// would crash the first copy or write of the value.
constexpr size_t kMaxNestingDepth = 512;

// Brackets outside of strings; exact for JSON, and text that is no JSON fails the parse anyway.
template <class It>
bool nestsTooDeep(It begin, It end) {
  size_t depth = 0;
  bool inString = false, escaped = false;
  for (It it = begin; it != end; ++it) {
    const auto c = static_cast<unsigned char>(*it);
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

bool isValidJSONObject(const Json& value) {
  return (value.is_object() || value.is_array()) && validValue(value);
}

std::optional<std::string> stringWithJSONObject(const Json& value) {
  if (!isValidJSONObject(value)) return std::nullopt;
  return value.dump();
}

OptBytes dataWithJSONObject(const Json& value) {
  auto text = stringWithJSONObject(value);
  if (!text) return std::nullopt;
  return bytesFromString(*text);
}

std::optional<Json> JSONObjectWithString(const std::string& text) {
  if (nestsTooDeep(text.begin(), text.end())) return std::nullopt;
  Json parsed = Json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (parsed.is_discarded() || !(parsed.is_object() || parsed.is_array())) return std::nullopt;
  return parsed;
}

std::optional<Json> JSONObjectWithData(const Bytes& data) {
  if (nestsTooDeep(data.begin(), data.end())) return std::nullopt;
  Json parsed = Json::parse(data.begin(), data.end(), nullptr, /*allow_exceptions=*/false);
  if (parsed.is_discarded() || !(parsed.is_object() || parsed.is_array())) return std::nullopt;
  return parsed;
}

const Json* member(const Json& object, const char* key) {
  if (!object.is_object()) return nullptr;
  auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

std::optional<std::string> stringMember(const Json& object, const char* key) {
  const Json* v = member(object, key);
  if (!v || !v->is_string()) return std::nullopt;
  return v->get<std::string>();
}

}  // namespace platform
