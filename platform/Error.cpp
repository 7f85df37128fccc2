#include "platform/Error.h"

namespace platform {

Error Error::make(std::string domain, int64_t code, nlohmann::json userInfo) {
  if (!userInfo.is_object()) userInfo = nlohmann::json::object();
  return Error{std::move(domain), code, std::move(userInfo)};
}

std::string Error::localizedDescription() const {
  if (auto it = userInfo.find(kLocalizedDescriptionKey); it != userInfo.end() && it->is_string()) {
    return it->get<std::string>();
  }
  return domain + " error " + std::to_string(code);
}

}  // namespace platform
