// One argument of a log format, with its type kept, so that formatting never reads an argument as a
// type it is not (the hazard of C varargs). Made implicitly from texts, numbers, booleans, JSON
// values, nullptr and optionals of these; any other type does not compile.
#pragma once

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "common/QORCommonExport.h"
#include "platform/Json.h"

namespace qor {

class QOR_COMMON_EXPORT QORLogArgument {
 public:
  enum class Kind { nil, text, signedInteger, unsignedInteger, floating, boolean };

  QORLogArgument(std::nullptr_t) {}
  QORLogArgument(const char* text) : kind_(text ? Kind::text : Kind::nil), text_(text ? text : "") {}
  QORLogArgument(const std::string& text) : kind_(Kind::text), text_(text) {}
  QORLogArgument(std::string_view text) : kind_(Kind::text), text_(text) {}
  QORLogArgument(bool value) : kind_(Kind::boolean), signed_(value ? 1 : 0) {}
  template <std::integral T>
    requires(!std::same_as<T, bool>)
  QORLogArgument(T value) {
    if constexpr (std::is_signed_v<T>) {
      kind_ = Kind::signedInteger;
      signed_ = value;
    } else {
      kind_ = Kind::unsignedInteger;
      unsigned_ = value;
    }
  }
  template <std::floating_point T>
  QORLogArgument(T value) : kind_(Kind::floating), floating_(double(value)) {}
  // A JSON text is its characters; any other JSON value its compact text.
  QORLogArgument(const platform::Json& value)
      : kind_(value.is_null() ? Kind::nil : Kind::text), text_(value.is_string() ? value.get<std::string>() : value.dump()) {}
  template <class T>
  QORLogArgument(const std::optional<T>& value) : QORLogArgument(value ? QORLogArgument(*value) : QORLogArgument(nullptr)) {}

  Kind kind() const { return kind_; }
  const std::string& text() const { return text_; }
  int64_t signedValue() const { return signed_; }
  uint64_t unsignedValue() const { return unsigned_; }
  double floatingValue() const { return floating_; }

 private:
  Kind kind_ = Kind::nil;
  std::string text_;
  int64_t signed_ = 0;
  uint64_t unsigned_ = 0;
  double floating_ = 0.0;
};

}  // namespace qor
