#include "KivAbstractCore/internal/ParcelCoding.h"

#include <cmath>

namespace qor::detail {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

struct Sequence {
  size_t length;
  bool wellFormed;
};

// The UTF-8 sequence at text[i] (Unicode table 3-7). An ill-formed one spans the bytes that could
// still have begun a well-formed sequence (at least one), and one U+FFFD stands for them.
Sequence scan(std::string_view text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) return {1, true};
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return {1, false};
  }
  for (size_t k = 1; k < length; ++k) {
    if (i + k >= text.size()) return {k, false};
    const auto byte = static_cast<unsigned char>(text[i + k]);
    if (byte < (k == 1 ? low : 0x80) || byte > (k == 1 ? high : 0xBF)) return {k, false};
  }
  return {length, true};
}

}  // namespace

std::string wellFormedUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const Sequence sequence = scan(text, i);
    out.append(sequence.wellFormed ? text.substr(i, sequence.length) : kReplacement);
    i += sequence.length;
  }
  return out;
}

std::string packText(const platform::Json& object) {
  // Texts are made well-formed before they go into the object, so the platform writer accepts it;
  // the fallback only keeps `pack` total.
  return platform::stringWithJSONObject(object).value_or("{}");
}

platform::Json& keyedContainer(platform::Json& to) {
  if (!to.is_object()) to = platform::Json::object();
  return to;
}

void DecodingFailure::set(KivDecodingError code, const std::string& codingPath,
                          const std::string& description) const {
  if (!error_) return;
  *error_ = platform::Error::make(
      KivDecodingErrorDomain, static_cast<int64_t>(code),
      {{"codingPath", codingPath}, {platform::kLocalizedDescriptionKey, description}});
}

std::optional<KeyedDecoder> KeyedDecoder::make(const platform::Json& value, std::string path,
                                               DecodingFailure failure) {
  if (value.is_null()) {
    failure.set(KivDecodingError::valueNotFound, path, "expected an object, found null");
    return std::nullopt;
  }
  if (!value.is_object()) {
    failure.set(KivDecodingError::typeMismatch, path, "expected an object");
    return std::nullopt;
  }
  return KeyedDecoder(value, std::move(path), failure);
}

std::string KeyedDecoder::pathOf(std::string_view key) const {
  return path_.empty() ? std::string(key) : path_ + "." + std::string(key);
}

const platform::Json* KeyedDecoder::require(const char* key) const {
  const platform::Json* value = platform::member(*object_, key);
  if (!value) {
    failure_.set(KivDecodingError::keyNotFound, pathOf(key), "no member \"" + std::string(key) + "\"");
    return nullptr;
  }
  if (value->is_null()) {
    failure_.set(KivDecodingError::valueNotFound, pathOf(key), "the member is null");
    return nullptr;
  }
  return value;
}

std::optional<int64_t> KeyedDecoder::int64(const char* key) const {
  const platform::Json* value = require(key);
  if (!value) return std::nullopt;
  return integerValue(*value, INT64_MIN, INT64_MAX, pathOf(key), failure_);
}

std::optional<bool> KeyedDecoder::boolean(const char* key) const {
  const platform::Json* value = require(key);
  if (!value) return std::nullopt;
  if (!value->is_boolean()) {
    failure_.set(KivDecodingError::typeMismatch, pathOf(key), "expected a boolean");
    return std::nullopt;
  }
  return value->get<bool>();
}

std::optional<std::string> KeyedDecoder::string(const char* key) const {
  const platform::Json* value = require(key);
  if (!value) return std::nullopt;
  if (!value->is_string()) {
    failure_.set(KivDecodingError::typeMismatch, pathOf(key), "expected a string");
    return std::nullopt;
  }
  return value->get<std::string>();
}

std::optional<KeyedDecoder> KeyedDecoder::nested(const char* key) const {
  const platform::Json* value = require(key);
  if (!value) return std::nullopt;
  return make(*value, pathOf(key), failure_);
}

std::optional<int64_t> integerValue(const platform::Json& value, int64_t min, int64_t max,
                                    const std::string& path, const DecodingFailure& failure) {
  std::optional<int64_t> result;
  if (value.is_number_unsigned()) {
    const auto u = value.get<uint64_t>();
    if (u <= static_cast<uint64_t>(INT64_MAX)) result = static_cast<int64_t>(u);
  } else if (value.is_number_integer()) {
    result = value.get<int64_t>();
  } else if (value.is_number_float()) {
    // 2^63 is exact as a double; the cast below is defined only inside [-2^63, 2^63).
    const double d = value.get<double>();
    if (std::isfinite(d) && d == std::trunc(d) && d >= -0x1p63 && d < 0x1p63) {
      result = static_cast<int64_t>(d);
    }
  } else if (value.is_null()) {
    failure.set(KivDecodingError::valueNotFound, path, "expected a number, found null");
    return std::nullopt;
  } else {
    failure.set(KivDecodingError::typeMismatch, path, "expected a number");
    return std::nullopt;
  }
  if (!result || *result < min || *result > max) {
    failure.set(KivDecodingError::dataCorrupted, path,
                "the number " + value.dump() + " is not an integer from " + std::to_string(min) +
                    " to " + std::to_string(max));
    return std::nullopt;
  }
  return result;
}

}  // namespace qor::detail
