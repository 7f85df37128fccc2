// Decides during the TLS handshake whether the server's certificate chain may be trusted. The
// transports ask it with the server's trust object and the URL's host.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Error.h"

namespace platform {
class SecTrust;
}

namespace qor {

// The verdict of a trust evaluation.
struct PinningState {
  enum class Kind { success, failed };
  Kind kind = Kind::failed;
  // Why the trust was refused, when the evaluation says.
  std::optional<platform::Error> error;

  static PinningState success() { return {Kind::success, std::nullopt}; }
  static PinningState failed(std::optional<platform::Error> why) { return {Kind::failed, std::move(why)}; }
  bool isSuccess() const { return kind == Kind::success; }
};

class CertificatePinning {
 public:
  virtual ~CertificatePinning() = default;
  // Calls `completion` exactly once.
  virtual void evaluateTrust(const std::shared_ptr<platform::SecTrust>& trust,
                             const std::optional<std::string>& domain,
                             const std::function<void(PinningState)>& completion) = 0;
};

}  // namespace qor
