// What the first handshake step reads from its controller: the nonce, the client's ECDH public key
// (sent) and the client's RSA private key (opens the answer key the server sends in "skVTN").
#pragma once

#include <memory>

#include "common/actions/QORClientActionDataSource.h"
#include "common/crypto/QORSecretKey.h"

namespace qor {

class QORHandshakeStep1ActionDataSource : public virtual QORClientActionDataSource {
 public:
  virtual std::shared_ptr<QORSecretKey> pubQORDH() const = 0;
  virtual std::shared_ptr<QORSecretKey> prvClient() const = 0;
};

}  // namespace qor
