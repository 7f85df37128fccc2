#include "common/websocket/http/HTTPUpgradeError.h"

namespace qor {

platform::Error HTTPUpgradeError::bridged() const {
  nlohmann::json info = nlohmann::json::object();
  if (kind_ == Kind::notAnUpgrade) info["status"] = status_;
  return platform::Error::make("qor.HTTPUpgradeError", static_cast<int64_t>(kind_), std::move(info));
}

}  // namespace qor
