#include "platform/http/HTTPURLResponse.h"

#include "platform/http/HTTPFieldName.h"

namespace platform {

std::optional<std::string> HTTPURLResponse::valueForHTTPHeaderField(std::string_view name) const {
  for (const auto& [field, value] : headerFields) {
    if (fieldNamesEqual(field, name)) return value;
  }
  return std::nullopt;
}

}  // namespace platform
