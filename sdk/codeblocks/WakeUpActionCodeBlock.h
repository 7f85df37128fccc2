// The wake-up answer's code block: the storage private key that opens the key store now, and the
// storage public key under which it is sealed again. Immutable once made.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "sdk/codeblocks/ActionCodeBlock.h"

namespace qor {

class WakeUpActionCodeBlock : public ActionCodeBlock {
 public:
  static std::shared_ptr<WakeUpActionCodeBlock> create(const std::optional<platform::Json>& dictionary);

  // Base64 of the current storage private key (PKCS #8 DER).
  const std::optional<std::string>& prvStorageCurrent() const { return prvStorageCurrent_; }
  // Base64 of the next storage public key (SubjectPublicKeyInfo DER).
  const std::optional<std::string>& pubStorageNext() const { return pubStorageNext_; }

 protected:
  WakeUpActionCodeBlock() = default;
  void initBody(const std::optional<platform::Json>& body) override;

 private:
  friend class ActionCodeBlock;

  std::optional<std::string> prvStorageCurrent_;
  std::optional<std::string> pubStorageNext_;
};

}  // namespace qor
