// The head of an HTTP answer as the URL session hands it over: final URL, status code and header
// fields in the order the server sent them (names as written, looked up without regard to case).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/QORPlatformExport.h"

namespace platform {

struct QOR_PLATFORM_EXPORT HTTPURLResponse {
  std::string url;
  int statusCode = 0;
  std::vector<std::pair<std::string, std::string>> headerFields;

  // The first field of that name; nullopt when there is none.
  std::optional<std::string> valueForHTTPHeaderField(std::string_view name) const;
};

}  // namespace platform
