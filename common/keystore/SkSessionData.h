// The key store's session: the 16-byte AES key and 16-byte IV that seal the SensitiveData record.
//
// JSON form: "skStorage" and "nIV", each as Base64; a member whose value is missing is left out on
// its own. Properties are atomic.
#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "common/crypto/QORSecretKey.h"
#include "platform/Bytes.h"
#include "platform/Json.h"

namespace qor {

class SkSessionData {
 public:
  static std::shared_ptr<SkSessionData> create(std::shared_ptr<QORSecretKey> skStorage, platform::OptBytes nIV);
  // Never null; members that are missing, not text or not Base64 give a key with nil bytes or a
  // nil IV.
  static std::shared_ptr<SkSessionData> initWithDictionary(const std::optional<platform::Json>& dictionary);

  platform::Json dictionary() const;

  std::shared_ptr<QORSecretKey> skStorage() const;
  void setSkStorage(std::shared_ptr<QORSecretKey> key);
  platform::OptBytes nIV() const;
  void setNIV(platform::OptBytes iv);

 private:
  SkSessionData() = default;

  mutable std::mutex mutex_;
  std::shared_ptr<QORSecretKey> skStorage_;
  platform::OptBytes nIV_;
};

}  // namespace qor
