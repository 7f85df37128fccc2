// The first handshake step's body: the nonce and the client's ECDH public key. Made for one request.
#pragma once

#include <memory>
#include <optional>

#include "common/crypto/QORSecretKey.h"
#include "common/request/QORBaseRequestData.h"

namespace qor {

class QORHandshakeStep1RequestData : public QORBaseRequestData {
 public:
  // initWithNonce:pubQORDH:
  static std::shared_ptr<QORHandshakeStep1RequestData> create(platform::OptBytes nonce,
                                                              std::shared_ptr<QORSecretKey> pubQORDH);

  const std::shared_ptr<QORSecretKey>& pubQORDH() const { return pubQORDH_; }

  // {"nonceQOR", "pubQORDH"}; nullopt unless both.
  std::optional<platform::Json> requestDictionary() const override;

 protected:
  QORHandshakeStep1RequestData(platform::OptBytes nonce, std::shared_ptr<QORSecretKey> pubQORDH);

 private:
  std::shared_ptr<QORSecretKey> pubQORDH_;
};

}  // namespace qor
