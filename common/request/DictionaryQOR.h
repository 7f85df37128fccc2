// The two readers of JSON dictionaries that the core uses: codes as integers, theme colours.
// Pure functions; a value that is not a JSON object reads as a dictionary without members.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/QORCommonExport.h"
#include "platform/Json.h"
#include "platform/ui/Color.h"

namespace qor {

// The member's integer value: a number (a float truncated toward zero, a boolean 0 or 1) or a
// decimal text (leading blanks skipped, an optional sign, the digits up to the first other
// character; no digits give 0). Values beyond the 64-bit range saturate to its ends. Anything
// else, or no member, gives nullopt.
QOR_COMMON_EXPORT std::optional<int64_t> integerValueForKey(const platform::Json& dictionary, const std::string& key);

// The member as an opaque colour written "#RRGGBB": the first character (normally '#') is skipped,
// whatever it is, and the hexadecimal number after it (blanks and an optional 0x before it; 0 when
// there are no digits; saturated at 32 bits) gives red, green and blue from its bits 16-23, 8-15 and
// 0-7. A missing member, an empty text or a member that is not text gives the clear colour.
platform::Color colorValueForKey(const platform::Json& dictionary, const std::string& key);

}  // namespace qor
