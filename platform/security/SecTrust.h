// A trust object: the peer's certificate chain (leaf first), the policies to check it against, and
// two ways to evaluate it against the anchors of TrustStore: the modern form (a Boolean and an error)
// and the legacy form (a call status and a result value).
//
// Thread-safe: the policies are guarded; an evaluation works on a snapshot of them.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/Error.h"
#include "platform/OSStatus.h"
#include "platform/QORPlatformExport.h"
#include "platform/security/SecCertificate.h"
#include "platform/security/SecPolicy.h"

namespace platform {

inline constexpr OSStatus errSecHostNameMismatch = -67602;
inline constexpr OSStatus errSecCertificateExpired = -67818;
inline constexpr OSStatus errSecCertificateNotValidYet = -67819;
inline constexpr OSStatus errSecNotTrusted = -67843;

// Domain of the errors that the modern evaluation returns; their codes are the OSStatus values above.
inline constexpr const char* kOSStatusErrorDomain = "NSOSStatusErrorDomain";

enum class SecTrustResultType : uint32_t {
  invalid = 0,
  proceed = 1,
  confirm = 2,
  deny = 3,
  unspecified = 4,
  recoverableTrustFailure = 5,
  fatalTrustFailure = 6,
  otherError = 7,
};

class QOR_PLATFORM_EXPORT SecTrust {
 public:
  // An empty chain is allowed (a peer that sent none); evaluating it is an error of the call.
  static std::shared_ptr<SecTrust> create(std::vector<std::shared_ptr<SecCertificate>> certificates,
                                          std::vector<std::shared_ptr<SecPolicy>> policies);

  const std::vector<std::shared_ptr<SecCertificate>>& certificates() const { return certificates_; }
  std::vector<std::shared_ptr<SecPolicy>> policies() const;
  // Replaces the policies; errSecParam (nothing changed) for an empty list or a missing policy.
  OSStatus setPolicies(std::vector<std::shared_ptr<SecPolicy>> policies);

  // True when the chain leads to an anchor and meets every policy; otherwise false with the reason.
  bool evaluateWithError(std::optional<Error>* error);
  // The legacy form. errSecSuccess with the outcome in `result` (unspecified when trusted,
  // recoverableTrustFailure or fatalTrustFailure when not); any other status means the evaluation
  // could not run and `result` is left as it was.
  OSStatus evaluate(SecTrustResultType* result);

 private:
  SecTrust(std::vector<std::shared_ptr<SecCertificate>> certificates,
           std::vector<std::shared_ptr<SecPolicy>> policies)
      : certificates_(std::move(certificates)), policies_(std::move(policies)) {}

  const std::vector<std::shared_ptr<SecCertificate>> certificates_;
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<SecPolicy>> policies_;
};

}  // namespace platform
