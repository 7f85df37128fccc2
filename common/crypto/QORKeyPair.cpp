#include "common/crypto/QORKeyPair.h"

#include <utility>

namespace qor {

std::shared_ptr<QORKeyPair> QORKeyPair::create(platform::OptBytes publicKeyData, platform::OptBytes privateKeyData) {
  return std::make_shared<QORKeyPair>(QORSecretKey::create(std::move(publicKeyData), 1),
                                      QORSecretKey::create(std::move(privateKeyData), 2));
}

QORKeyPair::QORKeyPair(std::shared_ptr<QORSecretKey> publicKey, std::shared_ptr<QORSecretKey> privateKey)
    : publicKey_(std::move(publicKey)), privateKey_(std::move(privateKey)) {}

}  // namespace qor
