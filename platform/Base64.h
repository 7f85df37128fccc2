// Base64 of the platform's data object: the standard alphabet with '=' padding and no line breaks.
//
// Decoding skips every character outside the alphabet and '=' (blanks, line breaks, anything else).
// What remains must be whole groups of four; '=' may stand only as the last one or two characters of
// the last group ("xx==" or "xxx="), and nothing but skipped characters may follow it. Text that breaks
// these rules gives nullopt; the empty text gives empty bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Bytes.h"
#include "platform/QORPlatformExport.h"

namespace platform {

QOR_PLATFORM_EXPORT std::string base64Encode(const Bytes& data);
QOR_PLATFORM_EXPORT OptBytes base64Decode(std::string_view text);

}  // namespace platform
