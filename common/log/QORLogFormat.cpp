#include "common/log/QORLogFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/Utf16.h"

namespace qor {
namespace {

using Kind = QORLogArgument::Kind;

constexpr int kMaxField = 1024;

struct Placeholder {
  std::string flags;
  int width = -1;
  int precision = -1;
  char conversion = 0;
};

std::string description(const QORLogArgument& a) {
  switch (a.kind()) {
    case Kind::nil: return "(null)";
    case Kind::text: return a.text();
    case Kind::signedInteger:
    case Kind::boolean: return std::to_string(a.signedValue());
    case Kind::unsignedInteger: return std::to_string(a.unsignedValue());
    case Kind::floating: {
      if (std::isnan(a.floatingValue())) return "nan";
      if (std::isinf(a.floatingValue())) return a.floatingValue() > 0 ? "inf" : "-inf";
      char buffer[64];
      auto result = std::to_chars(buffer, buffer + sizeof buffer, a.floatingValue());
      return std::string(buffer, result.ptr);
    }
  }
  return {};
}

bool isNumber(const QORLogArgument& a) { return a.kind() != Kind::nil && a.kind() != Kind::text; }

int64_t asSigned(const QORLogArgument& a) {
  switch (a.kind()) {
    case Kind::unsignedInteger: return int64_t(a.unsignedValue());
    case Kind::floating: {
      const double v = a.floatingValue();
      if (std::isnan(v)) return 0;
      // Saturates instead of the undefined conversion of an out-of-range double.
      if (v >= 9.2233720368547758e18) return std::numeric_limits<int64_t>::max();
      if (v <= -9.2233720368547758e18) return std::numeric_limits<int64_t>::min();
      return int64_t(v);
    }
    default: return a.signedValue();
  }
}

double asDouble(const QORLogArgument& a) {
  switch (a.kind()) {
    case Kind::floating: return a.floatingValue();
    case Kind::unsignedInteger: return double(a.unsignedValue());
    default: return double(a.signedValue());
  }
}

// printf on one value whose C type matches the conversion we write.
template <class T>
std::string printNumber(const Placeholder& placeholder, const char* length, T value) {
  std::string format = "%" + placeholder.flags;
  if (placeholder.width >= 0) format += std::to_string(placeholder.width);
  if (placeholder.precision >= 0) format += "." + std::to_string(placeholder.precision);
  format += length;
  format += placeholder.conversion;
  const int size = std::snprintf(nullptr, 0, format.c_str(), value);
  if (size < 0) return {};
  std::string out(size_t(size) + 1, '\0');
  std::snprintf(out.data(), out.size(), format.c_str(), value);
  out.resize(size_t(size));
  return out;
}

std::string pad(std::string text, const Placeholder& placeholder) {
  if (placeholder.width > 0 && text.size() < size_t(placeholder.width)) {
    const std::string fill(size_t(placeholder.width) - text.size(), ' ');
    text = placeholder.flags.find('-') != std::string::npos ? text + fill : fill + text;
  }
  return text;
}

std::string codePoint(int64_t value) {
  if (value < 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return "\xEF\xBF\xBD";
  return platform::utf8FromUtf16(value <= 0xFFFF ? std::u16string(1, char16_t(value))
                                                 : std::u16string{char16_t(0xD800 + ((value - 0x10000) >> 10)),
                                                                  char16_t(0xDC00 + ((value - 0x10000) & 0x3FF))});
}

std::string convert(const Placeholder& placeholder, const QORLogArgument& a) {
  switch (placeholder.conversion) {
    case 'd':
    case 'i':
      return isNumber(a) ? printNumber(placeholder, "ll", static_cast<long long>(asSigned(a))) : pad(description(a), placeholder);
    case 'u':
    case 'o':
    case 'x':
    case 'X':
      return isNumber(a) ? printNumber(placeholder, "ll", static_cast<unsigned long long>(asSigned(a)))
                         : pad(description(a), placeholder);
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
      return isNumber(a) ? printNumber(placeholder, "", asDouble(a)) : pad(description(a), placeholder);
    case 'c':
    case 'C':
      return pad(isNumber(a) ? codePoint(asSigned(a)) : description(a), placeholder);
    case 's':
    case 'S': {
      std::string text = description(a);
      if (placeholder.precision >= 0 && text.size() > size_t(placeholder.precision)) text.resize(size_t(placeholder.precision));
      return pad(std::move(text), placeholder);
    }
    default:  // '@', 'p'
      return pad(description(a), placeholder);
  }
}

// A decimal field, capped; advances `i` past its digits.
int readNumber(std::string_view format, size_t& i) {
  int value = 0;
  while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
    value = std::min(kMaxField, value * 10 + (format[i] - '0'));
    ++i;
  }
  return value;
}

}  // namespace

std::string formatLogMessage(std::string_view format, std::span<const QORLogArgument> arguments) {
  std::string out;
  size_t next = 0;
  auto take = [&]() -> const QORLogArgument* { return next < arguments.size() ? &arguments[next++] : nullptr; };

  size_t i = 0;
  while (i < format.size()) {
    if (format[i] != '%') {
      out += format[i++];
      continue;
    }
    const size_t start = i++;
    if (i < format.size() && format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    Placeholder placeholder;
    while (i < format.size() && std::string_view("-+ #0'").find(format[i]) != std::string_view::npos) {
      if (format[i] != '\'') placeholder.flags += format[i];  // grouping depends on the locale: left out
      ++i;
    }
    bool missing = false;
    if (i < format.size() && format[i] == '*') {
      ++i;
      const QORLogArgument* w = take();
      missing = missing || !w;
      if (w && isNumber(*w)) {
        // A negative width means left-aligned, as in printf.
        const int64_t value = asSigned(*w);
        if (value < 0) placeholder.flags += '-';
        const uint64_t magnitude = value < 0 ? uint64_t(0) - uint64_t(value) : uint64_t(value);
        placeholder.width = int(std::min<uint64_t>(kMaxField, magnitude));
      }
    } else {
      if (i < format.size() && format[i] >= '1' && format[i] <= '9') placeholder.width = readNumber(format, i);
    }
    if (i < format.size() && format[i] == '.') {
      ++i;
      if (i < format.size() && format[i] == '*') {
        ++i;
        const QORLogArgument* p = take();
        missing = missing || !p;
        if (p && isNumber(*p) && asSigned(*p) >= 0) placeholder.precision = int(std::min<int64_t>(kMaxField, asSigned(*p)));
      } else {
        placeholder.precision = readNumber(format, i);
      }
    }
    while (i < format.size() && std::string_view("hlqLztj").find(format[i]) != std::string_view::npos) ++i;
    if (i >= format.size() || std::string_view("@diuoxXfFeEgGaAcCsSpn").find(format[i]) == std::string_view::npos) {
      // Unknown or cut off: written as it stands.
      out.append(format.substr(start, std::min(i + 1, format.size()) - start));
      i = std::min(i + 1, format.size());
      continue;
    }
    placeholder.conversion = format[i++];
    const QORLogArgument* argument = missing ? nullptr : take();
    if (!argument) {
      out.append(format.substr(start, i - start));
      continue;
    }
    if (placeholder.conversion != 'n') out += convert(placeholder, *argument);
  }
  return platform::sanitizeUtf8(out);
}

}  // namespace qor
