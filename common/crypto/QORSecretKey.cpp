#include "common/crypto/QORSecretKey.h"

#include <utility>

namespace qor {

std::shared_ptr<QORSecretKey> QORSecretKey::create(platform::OptBytes data, int type) {
  return std::make_shared<QORSecretKey>(std::move(data), type);
}

QORSecretKey::QORSecretKey(platform::OptBytes data, int type) : data_(std::move(data)), type_(type) {}

QORSecretKey::~QORSecretKey() {
  if (data_) platform::secureWipe(*data_);
}

}  // namespace qor
