// JSON writing and reading shared by the parcels: the text `pack` returns and the member checks of
// createFrom (every member required, null counts as missing, integers exact).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "KivAbstractCore/KivDecodingError.h"
#include "platform/Error.h"
#include "platform/Json.h"

namespace qor::detail {

// Compact JSON text of an object whose texts went through platform::sanitizeUtf8.
std::string packText(const platform::Json& object);

// What every parcel's `pack` returns: the text of what its `encode` writes.
template <class T>
std::string packEncoded(const T& parcel) {
  platform::Json object = platform::Json::object();
  parcel.encode(object);
  return packText(object);
}

// The object `encode` writes its members into: `to` itself, made an object first when it is not one.
platform::Json& keyedContainer(platform::Json& to);

// Puts a decoding failure into *error, when the caller asked for it. Decoding stops at its first
// failure, so there is only ever one.
class DecodingFailure {
 public:
  explicit DecodingFailure(platform::Error* error) : error_(error) {}
  void set(KivDecodingError code, const std::string& codingPath, const std::string& description) const;

 private:
  platform::Error* error_;
};

// One JSON object being decoded, at `path` within the whole.
class KeyedDecoder {
 public:
  // None (failure recorded) unless `value` is an object.
  static std::optional<KeyedDecoder> make(const platform::Json& value, std::string path,
                                          DecodingFailure failure);

  std::string pathOf(std::string_view key) const;
  // The member, or null (failure recorded) when it is missing or JSON null.
  const platform::Json* require(const char* key) const;

  std::optional<int64_t> int64(const char* key) const;
  std::optional<bool> boolean(const char* key) const;
  std::optional<std::string> string(const char* key) const;
  std::optional<KeyedDecoder> nested(const char* key) const;

  const platform::Json& object() const { return *object_; }
  const DecodingFailure& failure() const { return failure_; }

 private:
  KeyedDecoder(const platform::Json& object, std::string path, DecodingFailure failure)
      : object_(&object), path_(std::move(path)), failure_(failure) {}

  const platform::Json* object_;
  std::string path_;
  DecodingFailure failure_;
};

// An integral JSON number (5 or 5.0, not 5.5) within [min, max]; failure recorded otherwise.
std::optional<int64_t> integerValue(const platform::Json& value, int64_t min, int64_t max,
                                    const std::string& path, const DecodingFailure& failure);

}  // namespace qor::detail
