// A public key and its private key, as the key generators hand them out. Immutable once made.
#pragma once

#include <memory>

#include "common/crypto/QORSecretKey.h"

namespace qor {

class QORKeyPair {
 public:
  // The public bytes become a type-1 key, the private bytes a type-2 key.
  static std::shared_ptr<QORKeyPair> create(platform::OptBytes publicKeyData, platform::OptBytes privateKeyData);

  QORKeyPair(std::shared_ptr<QORSecretKey> publicKey, std::shared_ptr<QORSecretKey> privateKey);

  const std::shared_ptr<QORSecretKey>& publicKey() const { return publicKey_; }
  const std::shared_ptr<QORSecretKey>& privateKey() const { return privateKey_; }

 private:
  std::shared_ptr<QORSecretKey> publicKey_;
  std::shared_ptr<QORSecretKey> privateKey_;
};

}  // namespace qor
