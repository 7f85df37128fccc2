// The plain header of a request: the action type and the fresh AES key and IV that seal the body
// (and, by default, the answer). It is serialised to JSON and sealed with RSA by QORBaseRequest.
// Subclasses add members by overriding `requestDictionary`. Made for one request and not reused;
// used from one queue at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "common/QORCommonExport.h"
#include "common/crypto/QORSecretKey.h"
#include "platform/Bytes.h"
#include "platform/Json.h"

namespace qor {

class QOR_COMMON_EXPORT QORBaseRequestHeader {
 public:
  // initWithType: the type, a new AES key and a new IV.
  static std::shared_ptr<QORBaseRequestHeader> create(std::optional<int64_t> type);
  virtual ~QORBaseRequestHeader() = default;

  const std::optional<int64_t>& type() const { return type_; }
  void setType(std::optional<int64_t> type) { type_ = type; }
  const platform::OptBytes& nIV() const { return nIV_; }
  void setNIV(platform::OptBytes iv) { nIV_ = std::move(iv); }
  const std::shared_ptr<QORSecretKey>& symmetricKeyQOR() const { return symmetricKeyQOR_; }
  void setSymmetricKeyQOR(std::shared_ptr<QORSecretKey> key) { symmetricKeyQOR_ = std::move(key); }

  // {"type", "nIV", "symmetricKeyQOR"}, or nullopt unless all three are there.
  virtual std::optional<platform::Json> requestDictionary() const;

 protected:
  // The plain initialiser: no type, key or IV (headers that seal differently start from it).
  QORBaseRequestHeader() = default;
  explicit QORBaseRequestHeader(std::optional<int64_t> type);

 private:
  std::optional<int64_t> type_;
  platform::OptBytes nIV_;
  std::shared_ptr<QORSecretKey> symmetricKeyQOR_;
};

}  // namespace qor
