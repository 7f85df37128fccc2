// Header fields of an HTTP answer as the WebSocket stack passes them on: name to value, names as the
// server wrote them. Lookups that must ignore letter case use `findHeaderField`.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace qor {

using HeaderFields = std::map<std::string, std::string>;

// The value of the first field whose name equals `name` without regard to ASCII letter case.
std::optional<std::string> findHeaderField(const HeaderFields& fields, std::string_view name);

}  // namespace qor
