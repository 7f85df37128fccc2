// The second handshake step (type 107): sends both ECDH public keys; from here on every body, both
// ways, is sealed with the secret agreed from them, and the header carries no AES key.
//
// Main queue only (checked by the base action); holds its data source (a QORHandshakeStep2ActionDataSource) weakly.
#pragma once

#include <memory>

#include "common/actions/QORBaseClientAction.h"
#include "sdk/authorization/QORHandshakeStep2ActionDataSource.h"

namespace qor {

class QORHandshakeStep2Action : public QORBaseClientAction {
 public:
  static std::shared_ptr<QORHandshakeStep2Action> create();

  std::optional<int64_t> actionType() const override;
  std::optional<std::string> urlPath() const override;
  QORRequestClass requestClass() const override;
  std::shared_ptr<QORBaseRequestHeader> createRequestHeader() override;
  std::shared_ptr<QORBaseRequestData> createRequestData() override;
  // The agreed secret.
  std::shared_ptr<QORSecretKey> bodyKeyForResponse(const std::shared_ptr<QORBaseResponse>& response) override;
  bool shouldUseWebSocket() const override { return true; }

  std::shared_ptr<QORHandshakeStep2ActionDataSource> step2DataSource() const;

 protected:
  QORHandshakeStep2Action() = default;
};

}  // namespace qor
