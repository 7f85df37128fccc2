#include "common/websocket/HeaderFields.h"

#include "platform/http/HTTPFieldName.h"

namespace qor {

std::optional<std::string> findHeaderField(const HeaderFields& fields, std::string_view name) {
  for (const auto& [key, value] : fields) {
    if (platform::fieldNamesEqual(key, name)) return value;
  }
  return std::nullopt;
}

}  // namespace qor
