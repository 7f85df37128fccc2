// The sealed record of the key store: the client's RSA private key (PKCS #8 DER), the server's
// answer key (an RSA public key, X.509 DER) and an application instance identifier, which the
// system never sets.
//
// JSON form: "prvClient" and "pubSps" as the Base64 of the key bytes, "appInstanceId" as text; a
// member whose value is missing is left out on its own. Properties are atomic.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "common/QORCommonExport.h"
#include "common/crypto/QORSecretKey.h"
#include "platform/Json.h"

namespace qor {

class QOR_COMMON_EXPORT SensitiveData {
 public:
  static std::shared_ptr<SensitiveData> create(std::shared_ptr<QORSecretKey> prvClient,
                                               std::shared_ptr<QORSecretKey> pubSps,
                                               std::optional<std::string> appInstanceId);
  // Never null: the keys are always key objects, whose bytes are nil when their member is missing,
  // not text or not Base64; an "appInstanceId" that is not text is missing too.
  static std::shared_ptr<SensitiveData> initWithDictionary(const std::optional<platform::Json>& dictionary);

  platform::Json dictionary() const;

  std::shared_ptr<QORSecretKey> prvClient() const;
  void setPrvClient(std::shared_ptr<QORSecretKey> key);
  std::shared_ptr<QORSecretKey> pubSps() const;
  void setPubSps(std::shared_ptr<QORSecretKey> key);
  std::optional<std::string> appInstanceId() const;
  void setAppInstanceId(std::optional<std::string> id);

 private:
  SensitiveData() = default;

  mutable std::mutex mutex_;
  std::shared_ptr<QORSecretKey> prvClient_;
  std::shared_ptr<QORSecretKey> pubSps_;
  std::optional<std::string> appInstanceId_;
};

}  // namespace qor
