// The certificate pinner of the transports and the header validator of the engine. As pinner it
// evaluates the server's chain with an SSL policy for the host (nothing is pinned); as validator it
// checks the upgrade answer's "Sec-WebSocket-Accept" field against the key that was sent (RFC 6455,
// section 4.1). Keeps no state besides `allowSelfSigned`, which does not change after construction,
// so it may be used from any thread.
#pragma once

#include <string>

#include "common/websocket/security/CertificatePinning.h"
#include "common/websocket/security/HeaderValidator.h"

namespace qor {

class FoundationSecurity : public CertificatePinning, public HeaderValidator {
 public:
  explicit FoundationSecurity(bool allowSelfSigned = false) : allowSelfSigned_(allowSelfSigned) {}

  bool allowSelfSigned() const { return allowSelfSigned_; }
  void setAllowSelfSigned(bool allow) { allowSelfSigned_ = allow; }

  // With `allowSelfSigned` every trust is accepted. Otherwise the trust, given the SSL policy for
  // `domain` when there is one, is evaluated: the modern form from system 12 on, the legacy result
  // form before. The completion runs once, before this returns.
  void evaluateTrust(const std::shared_ptr<platform::SecTrust>& trust, const std::optional<std::string>& domain,
                     const std::function<void(PinningState)>& completion) override;

  // Accepts an answer whose accept field (its name in any letter case) equals the key's accept
  // value; a missing field fails like a wrong one, with a securityError of code acceptFailed (1).
  ErrorPtr validate(const HeaderFields& headers, const std::string& key) override;

  // Base64 of SHA-1 over the key followed by the protocol's GUID: the value the server must answer.
  static std::string acceptValue(const std::string& key);

 private:
  bool allowSelfSigned_;
};

}  // namespace qor
