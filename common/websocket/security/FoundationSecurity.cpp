#include "common/websocket/security/FoundationSecurity.h"

#include "common/websocket/WSError.h"
#include "common/websocket/http/HTTPConstants.h"
#include "common/websocket/security/SecurityErrorCode.h"
#include "platform/Base64.h"
#include "platform/Digest.h"
#include "platform/OSVersion.h"
#include "platform/security/SecTrust.h"
#include "common/websocket/security/FoundationSecurityError.h"

namespace qor {

namespace {
constexpr const char* kWebSocketGUID = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
}

std::string FoundationSecurity::acceptValue(const std::string& key) {
  return platform::base64Encode(platform::sha1(key + kWebSocketGUID));
}

void FoundationSecurity::evaluateTrust(const std::shared_ptr<platform::SecTrust>& trust,
                                       const std::optional<std::string>& domain,
                                       const std::function<void(PinningState)>& completion) {
  using platform::SecTrustResultType;
  if (allowSelfSigned_) {
    completion(PinningState::success());
    return;
  }
  if (!trust) {
    completion(PinningState::failed(platform::Error::make(kFoundationSecurityErrorDomain, platform::errSecParam)));
    return;
  }
  if (domain) trust->setPolicies({platform::SecPolicy::createSSL(true, *domain)});
  if (platform::isOperatingSystemAtLeast({12, 0, 0})) {
    std::optional<platform::Error> error;
    completion(trust->evaluateWithError(&error) ? PinningState::success() : PinningState::failed(std::move(error)));
    return;
  }
  auto result = SecTrustResultType::unspecified;
  const platform::OSStatus status = trust->evaluate(&result);
  // An evaluation that could not run leaves the result as it was, which must not read as trusted.
  if (status != platform::errSecSuccess) {
    completion(PinningState::failed(platform::Error::make(kFoundationSecurityErrorDomain, status)));
    return;
  }
  if (result == SecTrustResultType::unspecified || result == SecTrustResultType::proceed) {
    completion(PinningState::success());
    return;
  }
  completion(PinningState::failed(platform::Error::make(kFoundationSecurityErrorDomain, static_cast<int64_t>(result))));
}

ErrorPtr FoundationSecurity::validate(const HeaderFields& headers, const std::string& key) {
  // A server that leaves the field out has not shown that it read our key (RFC 6455, 4.1 step 4).
  auto accept = findHeaderField(headers, kHeaderWSAccept);
  if (accept && *accept == acceptValue(key)) return nullptr;
  return makeError<WSError>(ErrorType::securityError, "accept header doesn't match",
                            static_cast<uint16_t>(SecurityErrorCode::acceptFailed));
}

}  // namespace qor
