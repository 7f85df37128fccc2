// The first handshake step (type 106): sends the client's ECDH public key under a fresh AES key.
// The server answers with the body sealed under another AES key, which it sends RSA-sealed under
// the client's key in the answer's "skVTN"; the body carries the server's ECDH public key.
//
// Main queue only (checked by the base action); holds its data source (a QORHandshakeStep1ActionDataSource) weakly.
#pragma once

#include <memory>

#include "common/actions/QORBaseClientAction.h"
#include "sdk/authorization/QORHandshakeStep1ActionDataSource.h"

namespace qor {

class QORHandshakeStep1Action : public QORBaseClientAction {
 public:
  static std::shared_ptr<QORHandshakeStep1Action> create();

  std::optional<int64_t> actionType() const override;
  std::optional<std::string> urlPath() const override;
  QORResponseClass responseClass() const override;
  std::shared_ptr<QORBaseRequestHeader> createRequestHeader() override;
  std::shared_ptr<QORBaseRequestData> createRequestData() override;
  // The answer's "skVTN" opened with the client's RSA private key; nullptr when there is none or it
  // does not open.
  std::shared_ptr<QORSecretKey> bodyKeyForResponse(const std::shared_ptr<QORBaseResponse>& response) override;
  bool shouldUseWebSocket() const override { return true; }

  std::shared_ptr<QORHandshakeStep1ActionDataSource> step1DataSource() const;

 protected:
  QORHandshakeStep1Action() = default;
};

}  // namespace qor
