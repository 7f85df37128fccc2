#include "platform/DateFormatter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace platform {
namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads `min` to `max` digits at `pos`.
std::optional<int64_t> readNumber(std::string_view text, size_t& pos, int min, int max, int* digits = nullptr) {
  int n = 0;
  int64_t value = 0;
  while (n < max && pos < text.size() && isDigit(text[pos])) {
    value = value * 10 + (text[pos++] - '0');
    ++n;
  }
  if (n < min) return std::nullopt;
  if (digits) *digits = n;
  return value;
}

// Seconds east of UTC.
std::optional<int> readZone(std::string_view text, size_t& pos) {
  if (pos < text.size() && text[pos] == 'Z') {
    ++pos;
    return 0;
  }
  if (pos >= text.size() || (text[pos] != '+' && text[pos] != '-')) return std::nullopt;
  const int sign = text[pos++] == '-' ? -1 : 1;
  const auto hours = readNumber(text, pos, 2, 2);
  if (!hours || *hours > 23) return std::nullopt;
  int64_t minutes = 0;
  const bool colon = pos < text.size() && text[pos] == ':';
  if (colon) ++pos;
  if (colon || (pos < text.size() && isDigit(text[pos]))) {
    const auto m = readNumber(text, pos, 2, 2);
    if (!m || *m > 59) return std::nullopt;
    minutes = *m;
  }
  return sign * static_cast<int>(*hours * 3600 + minutes * 60);
}

}  // namespace

DateFormatter::DateFormatter(std::string_view format) {
  for (size_t i = 0; i < format.size();) {
    const char c = format[i];
    if (c == '\'') {
      // '' is a quote, inside or outside a quoted run.
      Field literal;
      ++i;
      if (i < format.size() && format[i] == '\'') {
        literal.literal = "'";
        ++i;
      } else {
        while (i < format.size()) {
          if (format[i] == '\'' && i + 1 < format.size() && format[i + 1] == '\'') {
            literal.literal.push_back('\'');
            i += 2;
          } else if (format[i] == '\'') {
            break;
          } else {
            literal.literal.push_back(format[i++]);
          }
        }
        if (i >= format.size()) valid_ = false;  // unterminated quote
        ++i;
      }
      fields_.push_back(std::move(literal));
    } else if (isLetter(c)) {
      int count = 0;
      while (i < format.size() && format[i] == c) ++count, ++i;
      const bool supported = (c == 'y' && count == 4) ||
                             ((c == 'M' || c == 'd' || c == 'H' || c == 'm' || c == 's') && count <= 2) ||
                             (c == 'S' && count <= 9) || (c == 'Z' && count <= 3);
      if (!supported) valid_ = false;
      fields_.push_back({c, count, {}});
    } else {
      fields_.push_back({0, 0, std::string(1, c)});
      ++i;
    }
  }
}

std::optional<double> DateFormatter::dateFromString(std::string_view text) const {
  if (!valid_) return std::nullopt;
  int64_t year = 1970;
  int64_t month = 1, day = 1, hour = 0, minute = 0, second = 0;
  double fraction = 0;
  int offset = 0;
  size_t pos = 0;
  for (const auto& f : fields_) {
    if (f.letter == 0) {
      if (text.substr(pos, f.literal.size()) != f.literal) return std::nullopt;
      pos += f.literal.size();
      continue;
    }
    if (f.letter == 'Z') {
      const auto zone = readZone(text, pos);
      if (!zone) return std::nullopt;
      offset = *zone;
      continue;
    }
    if (f.letter == 'S') {
      int digits = 0;
      const auto value = readNumber(text, pos, 1, 9, &digits);
      if (!value) return std::nullopt;
      fraction = static_cast<double>(*value) / std::pow(10.0, digits);
      continue;
    }
    const int min = f.letter == 'y' ? 4 : f.count == 1 ? 1 : 2;
    const int max = f.letter == 'y' ? 4 : 2;
    const auto value = readNumber(text, pos, min, max);
    if (!value) return std::nullopt;
    switch (f.letter) {
      case 'y': year = *value; break;
      case 'M': month = *value; break;
      case 'd': day = *value; break;
      case 'H': hour = *value; break;
      case 'm': minute = *value; break;
      case 's': second = *value; break;
    }
  }
  if (pos != text.size()) return std::nullopt;
  // Years have four digits, months and days two, so every value fits the calendar types.
  const std::chrono::year_month_day date{std::chrono::year(static_cast<int>(year)),
                                         std::chrono::month(static_cast<unsigned>(month)),
                                         std::chrono::day(static_cast<unsigned>(day))};
  if (!date.ok() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  const int64_t seconds = std::chrono::sys_days(date).time_since_epoch().count() * 86400 + hour * 3600 +
                          minute * 60 + second - offset;
  return static_cast<double>(seconds) + fraction;
}

std::string DateFormatter::stringFromDate(double secondsSince1970) const {
  // The fraction is rounded to the decimal digits that the double really carries at this magnitude
  // (microseconds for dates of this era, fewer for far ones), so that a date read from "….123" writes
  // "123" again instead of "122" from the nearest double below.
  // Dates within some 28,000 years of 1970, which the calendar types hold.
  if (!valid_ || !(std::fabs(secondsSince1970) < 9e11)) return {};
  double whole = std::floor(secondsSince1970);
  const double ulp = std::nextafter(std::fabs(secondsSince1970), INFINITY) - std::fabs(secondsSince1970);
  const int digits = std::clamp(static_cast<int>(std::floor(-std::log10(ulp))), 0, 6);
  const auto unitsPerSecond = static_cast<int64_t>(std::llround(std::pow(10.0, digits)));
  int64_t units = std::llround((secondsSince1970 - whole) * static_cast<double>(unitsPerSecond));
  if (units == unitsPerSecond) whole += 1, units = 0;
  const int64_t microsInSecond = units * (1000000 / unitsPerSecond);
  const auto total = static_cast<int64_t>(whole);
  const int64_t days = total >= 0 ? total / 86400 : -((-total + 86399) / 86400);
  const int64_t inDay = total - days * 86400;
  const std::chrono::year_month_day date{std::chrono::sys_days(std::chrono::days(days))};
  const int year = static_cast<int>(date.year());
  const int month = static_cast<int>(static_cast<unsigned>(date.month()));
  const int day = static_cast<int>(static_cast<unsigned>(date.day()));

  std::string out;
  char buffer[32];
  for (const auto& f : fields_) {
    switch (f.letter) {
      case 0: out += f.literal; continue;
      case 'y': std::snprintf(buffer, sizeof buffer, "%04lld", static_cast<long long>(year)); break;
      case 'M': std::snprintf(buffer, sizeof buffer, "%0*d", f.count, month); break;
      case 'd': std::snprintf(buffer, sizeof buffer, "%0*d", f.count, day); break;
      case 'H': std::snprintf(buffer, sizeof buffer, "%0*d", f.count, static_cast<int>(inDay / 3600)); break;
      case 'm': std::snprintf(buffer, sizeof buffer, "%0*d", f.count, static_cast<int>(inDay / 60 % 60)); break;
      case 's': std::snprintf(buffer, sizeof buffer, "%0*d", f.count, static_cast<int>(inDay % 60)); break;
      case 'S': {
        // Six digits of microseconds, cut or padded with zeros to the width of the field.
        std::snprintf(buffer, sizeof buffer, "%06lld000", static_cast<long long>(microsInSecond));
        buffer[f.count] = '\0';
        break;
      }
      case 'Z': std::snprintf(buffer, sizeof buffer, "+0000"); break;
    }
    out += buffer;
  }
  return out;
}

}  // namespace platform
