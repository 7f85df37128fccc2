// A date formatter with a fixed pattern in the "en_US_POSIX" locale, the form the system uses for
// machine-written dates such as "yyyy-MM-dd'T'HH:mm:ss.SSSZ".
//
// Pattern letters (Unicode date-field symbols): yyyy (four-digit year), MM, dd, HH, mm, ss (two digits
// each; a single letter reads one or two digits), one or more S (fraction of a second; parsing reads
// one to nine digits), Z (zone offset: writes "+hhmm"; reads "+hhmm", "+hh:mm", "+hh" or "Z").
// Text in single quotes is literal ('' is a quote); other characters but letters are literal.
// A pattern with any other letter parses nothing and formats the empty text. Without Z, dates are
// read and written in UTC. Immutable after construction; safe to share between threads.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/QORPlatformExport.h"

namespace platform {

class QOR_PLATFORM_EXPORT DateFormatter {
 public:
  explicit DateFormatter(std::string_view format);

  // Seconds since 1970-01-01T00:00:00Z (fraction kept), or nullopt unless the whole text matches
  // the pattern with valid field values.
  std::optional<double> dateFromString(std::string_view text) const;
  // The date in UTC, to the microsecond; the fraction is cut off to the digits written. Empty for a
  // date that is not finite or lies beyond year 285000.
  std::string stringFromDate(double secondsSince1970) const;

 private:
  struct Field {
    char letter = 0;  // 0 for a literal
    int count = 0;
    std::string literal;
  };
  std::vector<Field> fields_;
  bool valid_ = true;
};

}  // namespace platform
