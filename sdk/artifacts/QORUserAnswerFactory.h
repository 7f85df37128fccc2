// Makes the user's answer record: sealed with RSA (PKCS #1 v1.5) under the key the flow chooses,
// as "<value>:<Base64 of 16 fresh random bytes>", or plain as the Base64 of the value's UTF-8
// bytes. Stateless; any thread.
//
// A sealing that fails leaves the record without a value (and so without a dictionary); it never
// falls back to the plain form, which would hand the server an unsealed answer.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/crypto/QORSecretKey.h"
#include "platform/Bytes.h"
#include "sdk/artifacts/QORUserAnswer.h"

namespace qor {

class QORUserAnswerFactory {
 public:
  static std::shared_ptr<QORUserAnswerFactory> create() { return std::make_shared<QORUserAnswerFactory>(); }

  std::shared_ptr<QORUserAnswer> createUserAnswerOfType(int64_t type, const std::optional<std::string>& value,
                                                        const std::shared_ptr<QORSecretKey>& key,
                                                        bool isNeedToEncrypt) const;
  // The sealed "<value>:<nonce>" text; nil for a nil value, a nil or unusable key (not an RSA public
  // key in SubjectPublicKeyInfo DER), a text too long for the key, or a failing random source.
  platform::OptBytes encryptValue(const std::optional<std::string>& value, const std::shared_ptr<QORSecretKey>& key) const;
};

}  // namespace qor
