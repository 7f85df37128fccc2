#include "platform/URLRequest.h"

#include <algorithm>

#include "platform/http/HTTPFieldName.h"

namespace platform {
namespace {


template <class Fields>
auto findField(Fields& fields, std::string_view name) {
  return std::find_if(fields.begin(), fields.end(),
                      [&](const auto& entry) { return fieldNamesEqual(entry.first, name); });
}

}  // namespace

bool URLRequest::setValue(const std::optional<std::string>& value, std::string_view field) {
  if (!isHTTPToken(field) || (value && !isSafeFieldValue(*value))) return false;
  auto it = findField(fields_, field);
  if (!value) {
    if (it != fields_.end()) fields_.erase(it);
  } else if (it != fields_.end()) {
    it->second = *value;
  } else {
    fields_.emplace_back(std::string(field), *value);
  }
  return true;
}

bool URLRequest::addValue(std::string_view value, std::string_view field) {
  if (!isHTTPToken(field) || !isSafeFieldValue(value)) return false;
  if (auto it = findField(fields_, field); it != fields_.end()) {
    it->second.append(",").append(value);
  } else {
    fields_.emplace_back(std::string(field), std::string(value));
  }
  return true;
}

std::optional<std::string> URLRequest::value(std::string_view field) const {
  auto it = findField(fields_, field);
  if (it == fields_.end()) return std::nullopt;
  return it->second;
}

bool URLRequest::setAllHTTPHeaderFields(const HTTPHeaderFields& fields) {
  fields_.clear();
  bool allTaken = true;
  for (const auto& [name, value] : fields) allTaken = setValue(value, name) && allTaken;
  return allTaken;
}

}  // namespace platform
