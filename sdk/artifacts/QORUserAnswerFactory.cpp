#include "sdk/artifacts/QORUserAnswerFactory.h"

#include "common/crypto/QORCryptUtils.h"
#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsB64.h"

namespace qor {

std::shared_ptr<QORUserAnswer> QORUserAnswerFactory::createUserAnswerOfType(int64_t type,
                                                                            const std::optional<std::string>& value,
                                                                            const std::shared_ptr<QORSecretKey>& key,
                                                                            bool isNeedToEncrypt) const {
  std::optional<std::string> valueB64 = isNeedToEncrypt ? QORCryptUtilsB64::encodeDataToString(encryptValue(value, key))
                                                        : QORCryptUtilsB64::encodeString(value);
  return QORUserAnswer::create(type, std::move(valueB64));
}

platform::OptBytes QORUserAnswerFactory::encryptValue(const std::optional<std::string>& value,
                                                      const std::shared_ptr<QORSecretKey>& key) const {
  // The RSA step seals a nil message as the empty one; an answer must never go out that way.
  if (!value || !key) return std::nullopt;
  auto nonce = QORCryptUtilsB64::encodeDataToString(QORCryptUtils::generateNonce());
  if (!nonce) return std::nullopt;
  return QORCryptUtilsAsymmetric::encryptData(platform::bytesFromString(*value + ":" + *nonce), key);
}

}  // namespace qor
