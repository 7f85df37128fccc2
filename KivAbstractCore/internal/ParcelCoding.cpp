#include "KivAbstractCore/internal/ParcelCoding.h"

#include <cmath>

namespace qor::detail {

std::string packText(const platform::Json& object) {
  // Texts are sanitised before they go into the object, so the platform writer accepts it;
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
