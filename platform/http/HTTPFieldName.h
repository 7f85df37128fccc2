// HTTP field names compare without regard to ASCII letter case (RFC 9110, section 5.1); nothing else
// is folded, so the result does not depend on the process's locale.
#pragma once

#include <string>
#include <string_view>

namespace platform {

bool fieldNamesEqual(std::string_view a, std::string_view b);
std::string lowercasedASCII(std::string_view text);
// RFC 9110 token: one or more of ALPHA, DIGIT and !#$%&'*+-.^_`|~ (field names, methods).
bool isHTTPToken(std::string_view text);

// Orders field names as fieldNamesEqual compares them, for maps keyed by field name.
struct FieldNameLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

}  // namespace platform
