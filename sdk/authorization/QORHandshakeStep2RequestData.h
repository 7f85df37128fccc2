// The second handshake step's body: the first step's members plus the server's ECDH public key as
// received. Made for one request.
#pragma once

#include <memory>
#include <optional>

#include "common/crypto/QORSecretKey.h"
#include "sdk/authorization/QORHandshakeStep1RequestData.h"

namespace qor {

class QORHandshakeStep2RequestData : public QORHandshakeStep1RequestData {
 public:
  // initWithNonce:pubQORDH:pubVTNDH:
  static std::shared_ptr<QORHandshakeStep2RequestData> create(platform::OptBytes nonce,
                                                              std::shared_ptr<QORSecretKey> pubQORDH,
                                                              std::shared_ptr<QORSecretKey> pubVTNDH);

  const std::shared_ptr<QORSecretKey>& pubVTNDH() const { return pubVTNDH_; }

  // {"nonceQOR", "pubQORDH", "pubVTNDH"}; nullopt unless all three.
  std::optional<platform::Json> requestDictionary() const override;

 protected:
  QORHandshakeStep2RequestData(platform::OptBytes nonce, std::shared_ptr<QORSecretKey> pubQORDH,
                               std::shared_ptr<QORSecretKey> pubVTNDH);

 private:
  std::shared_ptr<QORSecretKey> pubVTNDH_;
};

}  // namespace qor
