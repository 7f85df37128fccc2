// The header of the requests sealed with the agreed ECDH secret (second handshake step, prepare and
// commit): type, a fresh IV and the enrollment identifier. It holds no AES key; the secret it
// carries seals the body and is never serialised. Made for one request; used from one queue at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "common/crypto/QORSecretKey.h"
#include "common/request/QORBaseRequestHeader.h"

namespace qor {

class QORAuthRequestHeader : public QORBaseRequestHeader {
 public:
  // initWithType:sharedSecretDh:
  static std::shared_ptr<QORAuthRequestHeader> create(std::optional<int64_t> type,
                                                      std::shared_ptr<QORSecretKey> sharedSecretDh);

  const std::shared_ptr<QORSecretKey>& sharedSecretDh() const { return sharedSecretDh_; }
  void setSharedSecretDh(std::shared_ptr<QORSecretKey> secret) { sharedSecretDh_ = std::move(secret); }

  // {"type", "nIV", "enrollmentId"}, or nullopt unless all three are there.
  std::optional<platform::Json> requestDictionary() const override;

 protected:
  QORAuthRequestHeader(std::optional<int64_t> type, std::shared_ptr<QORSecretKey> sharedSecretDh);

 private:
  std::shared_ptr<QORSecretKey> sharedSecretDh_;
};

}  // namespace qor
