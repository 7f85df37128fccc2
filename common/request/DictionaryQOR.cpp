#include "common/request/DictionaryQOR.h"

#include <cmath>
#include <limits>

namespace qor {
namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int64_t integerOfText(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulated as a negative number, whose range reaches one further than the positive one.
  int64_t value = 0;
  bool saturated = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    int digit = text[i] - '0';
    if (value < (kMin + digit) / 10) {
      saturated = true;
    } else if (!saturated) {
      value = value * 10 - digit;
    }
  }
  if (saturated) return negative ? kMin : kMax;
  if (negative) return value;
  return value == kMin ? kMax : -value;
}

int64_t integerOfFloat(double d) {
  if (std::isnan(d)) return 0;
  // 2^63 is exactly representable; everything at or above it saturates.
  if (d >= 9223372036854775808.0) return kMax;
  if (d <= -9223372036854775808.0) return kMin;
  return static_cast<int64_t>(d);
}

// The first character of a UTF-8 text: one byte and its continuation bytes.
size_t firstCharacterLength(const std::string& text) {
  size_t n = 1;
  while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
  return n;
}

uint32_t scanHex(const std::string& text, size_t i) {
  while (i < text.size() && isBlank(text[i])) ++i;
  if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      hexDigit(text[i + 2]) >= 0) {
    i += 2;
  }
  uint64_t value = 0;
  for (; i < text.size() && hexDigit(text[i]) >= 0; ++i) {
    value = std::min<uint64_t>(value * 16 + static_cast<uint64_t>(hexDigit(text[i])), 0xFFFFFFFFull);
  }
  return static_cast<uint32_t>(value);
}

}  // namespace

std::optional<int64_t> integerValueForKey(const platform::Json& dictionary, const std::string& key) {
  const platform::Json* v = platform::member(dictionary, key.c_str());
  if (!v) return std::nullopt;
  switch (v->type()) {
    case platform::Json::value_t::boolean:
      return v->get<bool>() ? 1 : 0;
    case platform::Json::value_t::number_integer:
      return v->get<int64_t>();
    case platform::Json::value_t::number_unsigned: {
      auto u = v->get<uint64_t>();
      return u > static_cast<uint64_t>(kMax) ? kMax : static_cast<int64_t>(u);
    }
    case platform::Json::value_t::number_float:
      return integerOfFloat(v->get<double>());
    case platform::Json::value_t::string:
      return integerOfText(v->get_ref<const std::string&>());
    default:
      return std::nullopt;
  }
}

platform::Color colorValueForKey(const platform::Json& dictionary, const std::string& key) {
  auto text = platform::stringMember(dictionary, key.c_str());
  if (!text || text->empty()) return platform::Color::clearColor();
  uint32_t rgb = scanHex(*text, firstCharacterLength(*text));
  return platform::Color::colorWithRed(((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0,
                                       1.0);
}

}  // namespace qor
