#include "common/websocket/security/FoundationSecurity.h"

#include "common/websocket/WSError.h"
#include "common/websocket/http/HTTPConstants.h"
#include "common/websocket/security/SecurityErrorCode.h"
#include "platform/Base64.h"
#include "platform/Digest.h"

namespace qor {

namespace {
constexpr const char* kWebSocketGUID = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
}

std::string FoundationSecurity::acceptValue(const std::string& key) {
  return platform::base64Encode(platform::sha1(key + kWebSocketGUID));
}

ErrorPtr FoundationSecurity::validate(const HeaderFields& headers, const std::string& key) {
  // A server that leaves the field out has not shown that it read our key (RFC 6455, 4.1 step 4).
  auto accept = findHeaderField(headers, kHeaderWSAccept);
  if (accept && *accept == acceptValue(key)) return nullptr;
  return makeError<WSError>(ErrorType::securityError, "accept header doesn't match",
                            static_cast<uint16_t>(SecurityErrorCode::acceptFailed));
}

}  // namespace qor
