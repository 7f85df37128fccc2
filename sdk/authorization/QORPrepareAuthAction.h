// Prepare authorization (type 103): a body of the nonce alone, sealed with the agreed secret; the
// answer's code block carries the transaction to show and is kept as two records, its hash and
// its calls. The commit derives from it.
//
// Main queue only (checked by the base action); holds its data source (a QORHandshakeStep2ActionDataSource) weakly.
#pragma once

#include <memory>
#include <vector>

#include "common/actions/QORBaseClientAction.h"

namespace qor {

class QORPrepareAuthAction : public QORBaseClientAction {
 public:
  static std::shared_ptr<QORPrepareAuthAction> create();

  std::optional<int64_t> actionType() const override;
  std::optional<std::string> urlPath() const override;
  QORRequestClass requestClass() const override;
  QORResponseClass responseClass() const override;
  std::shared_ptr<QORBaseRequestHeader> createRequestHeader() override;
  // The agreed secret.
  std::shared_ptr<QORSecretKey> bodyKeyForResponse(const std::shared_ptr<QORBaseResponse>& response) override;
  // Appends the code-block hash record, then the calls record, both of the answer's code block.
  void responseReceived(const std::shared_ptr<QORBaseResponse>& response) override;
  std::vector<std::shared_ptr<QORSessionArtifact>> artifacts() override { return sessionArtifacts_; }
  bool shouldUseWebSocket() const override { return true; }

 protected:
  QORPrepareAuthAction() = default;

 private:
  std::vector<std::shared_ptr<QORSessionArtifact>> sessionArtifacts_;
};

}  // namespace qor
