#include "common/transport/QORError.h"

namespace qor {

const char* const QORErrorDomain = "QORErrorDomain";

platform::Error QORError::error() { return platform::Error::make(QORErrorDomain, QORErrorDefaultCode); }

platform::Error QORError::errorWithCode(int64_t code, const std::optional<platform::Error>& underlyingError,
                                        const std::optional<std::string>& localizedDescription) {
  platform::Json userInfo = platform::Json::object();
  if (underlyingError) {
    userInfo[kUnderlyingErrorKey] = {
        {"domain", underlyingError->domain}, {"code", underlyingError->code}, {"userInfo", underlyingError->userInfo}};
  }
  if (localizedDescription) userInfo[platform::kLocalizedDescriptionKey] = *localizedDescription;
  return platform::Error::make(QORErrorDomain, code, std::move(userInfo));
}

std::optional<platform::Error> QORError::underlyingError(const platform::Error& error) {
  auto it = error.userInfo.find(kUnderlyingErrorKey);
  if (it == error.userInfo.end() || !it->is_object()) return std::nullopt;
  const auto& stored = *it;
  if (!stored.contains("domain") || !stored["domain"].is_string() || !stored.contains("code") ||
      !stored["code"].is_number_integer()) {
    return std::nullopt;
  }
  return platform::Error::make(stored["domain"], stored["code"], stored.value("userInfo", platform::Json::object()));
}

}  // namespace qor
