// The header validator of the engine: checks the upgrade answer's "Sec-WebSocket-Accept" field
// against the key that was sent (RFC 6455, section 4.1). Keeps no state besides `allowSelfSigned`,
// which does not change after construction, so it may be used from any thread.
#pragma once

#include <string>

#include "common/websocket/security/HeaderValidator.h"

namespace qor {

class FoundationSecurity : public HeaderValidator {
 public:
  explicit FoundationSecurity(bool allowSelfSigned = false) : allowSelfSigned_(allowSelfSigned) {}

  bool allowSelfSigned() const { return allowSelfSigned_; }
  void setAllowSelfSigned(bool allow) { allowSelfSigned_ = allow; }

  // Accepts an answer whose accept field (its name in any letter case) equals the key's accept
  // value; a missing field fails like a wrong one, with a securityError of code acceptFailed (1).
  ErrorPtr validate(const HeaderFields& headers, const std::string& key) override;

  // Base64 of SHA-1 over the key followed by the protocol's GUID: the value the server must answer.
  static std::string acceptValue(const std::string& key);

 private:
  bool allowSelfSigned_;
};

}  // namespace qor
