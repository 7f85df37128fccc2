// Members of the key store's JSON records: Base64 texts of bytes that may be missing.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsB64.h"
#include "platform/Json.h"

namespace qor::keystore {

// Puts the Base64 text of the bytes under the key; nothing when there are no bytes.
inline void putBase64(platform::Json& record, const char* key, const platform::OptBytes& bytes) {
  if (auto text = QORCryptUtilsB64::encodeDataToString(bytes)) record[key] = *text;
}

inline void putKey(platform::Json& record, const char* key, const std::shared_ptr<QORSecretKey>& secretKey) {
  if (secretKey) putBase64(record, key, secretKey->data());
}

// A text member; missing when the record has none or it is of another type.
inline std::optional<std::string> textMember(const std::optional<platform::Json>& record, const char* key) {
  return record ? platform::stringMember(*record, key) : std::nullopt;
}

// Always a key object; its bytes are nil when the member is missing, not text or not Base64.
inline std::shared_ptr<QORSecretKey> keyMember(const std::optional<platform::Json>& record, const char* key) {
  return QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(textMember(record, key));
}

}  // namespace qor::keystore
