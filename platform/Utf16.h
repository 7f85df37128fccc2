// Conversions between the UTF-8 text that the system passes around and the UTF-16 code units in
// which the platform's strings count lengths, ranges and hashes.
//
// Invalid input never fails: each maximal ill-formed subpart of UTF-8 (the Unicode standard's
// practice, as in WHATWG decoding) and each lone surrogate of UTF-16 becomes one U+FFFD.
#pragma once

#include <string>
#include <string_view>

#include "platform/QORPlatformExport.h"

namespace platform {

QOR_PLATFORM_EXPORT std::u16string utf16FromUtf8(std::string_view text);
QOR_PLATFORM_EXPORT std::string utf8FromUtf16(std::u16string_view text);
// The text with every invalid UTF-8 sequence replaced by U+FFFD; valid text comes back unchanged.
QOR_PLATFORM_EXPORT std::string sanitizeUtf8(std::string_view text);
// Strict UTF-8: no overlong form, surrogate or code point above U+10FFFF.
QOR_PLATFORM_EXPORT bool isValidUtf8(std::string_view text);

}  // namespace platform
