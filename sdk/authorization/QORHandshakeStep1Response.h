// The first handshake step's answer: beside the sealed body it carries, at its top level, the AES
// key that seals that body, itself sealed with RSA under the client's key ("skVTN"); the opened
// body carries the server's ECDH public key. The opened body is not kept (`getDecryptedBody` stays
// nil). Members of another JSON type than text are treated as absent. Used on the queue of the
// action that received it.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/request/QORBaseResponse.h"

namespace qor {

class QORHandshakeStep1Response : public QORBaseResponse {
 public:
  static std::shared_ptr<QORHandshakeStep1Response> create();

  // Base64 of the RSA-sealed answer key.
  const std::optional<std::string>& skVTN() const { return skVTN_; }
  // Base64 of the server's ECDH public key (SubjectPublicKeyInfo DER).
  const std::optional<std::string>& pubVTNDHBase64() const { return pubVTNDHBase64_; }

  // The base's members, then "skVTN" of the outer answer.
  void setResponseDictionary(const platform::Json& dictionary) override;
  // Takes "pubVTNDH"; does not keep the body.
  void setDecryptedBody(std::optional<platform::Json> body) override;

 protected:
  QORHandshakeStep1Response() = default;

 private:
  std::optional<std::string> skVTN_;
  std::optional<std::string> pubVTNDHBase64_;
};

}  // namespace qor
