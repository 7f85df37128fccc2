// What the second handshake step and the later steps read from their controller: the server's ECDH
// public key as received, and the secret agreed with it, which seals every later body both ways.
#pragma once

#include <memory>

#include "common/crypto/QORSecretKey.h"
#include "sdk/authorization/QORHandshakeStep1ActionDataSource.h"

namespace qor {

class QORHandshakeStep2ActionDataSource : public virtual QORHandshakeStep1ActionDataSource {
 public:
  virtual std::shared_ptr<QORSecretKey> pubVTNDH() const = 0;
  virtual std::shared_ptr<QORSecretKey> sharedSecretDh() const = 0;
};

}  // namespace qor
