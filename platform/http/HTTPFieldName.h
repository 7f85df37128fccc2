// HTTP field names compare without regard to ASCII letter case (RFC 9110, section 5.1); nothing else
// is folded, so the result does not depend on the process's locale.
#pragma once

#include <string>
#include <string_view>

#include "platform/QORPlatformExport.h"

namespace platform {

QOR_PLATFORM_EXPORT bool fieldNamesEqual(std::string_view a, std::string_view b);
QOR_PLATFORM_EXPORT std::string lowercasedASCII(std::string_view text);
// RFC 9110 token: one or more of ALPHA, DIGIT and !#$%&'*+-.^_`|~ (field names, methods).
QOR_PLATFORM_EXPORT bool isHTTPToken(std::string_view text);
// A value that can go into a header line: no CR, LF or NUL, which would end the line early and let
// the rest pass for a field of its own.
bool isSafeFieldValue(std::string_view value);
// The text without the optional whitespace around it (spaces and tabs, RFC 9110 section 5.6.3).
QOR_PLATFORM_EXPORT std::string_view trimOWS(std::string_view text);

// Orders field names as fieldNamesEqual compares them, for maps keyed by field name.
struct FieldNameLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

}  // namespace platform
