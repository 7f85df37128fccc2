// Prepare enrollment (type 101): the first exchange of an enrollment. Its body carries only the
// run's random nonce; its answer's code block carries the seed of the commit's nonce, the server's
// answer key and the initial storage key, and is kept as a code-block hash record and a calls
// record. Sealed with a fresh AES key; travels over WebSocket when one is configured, reconnecting
// first.
//
// Main queue only (checked by the base action); holds its data source and delegate weakly.
#pragma once

#include <memory>
#include <vector>

#include "common/actions/QORBaseClientAction.h"

namespace qor {

class QORPrepareEnrollmentAction : public QORBaseClientAction {
 public:
  static std::shared_ptr<QORPrepareEnrollmentAction> create();

  std::optional<int64_t> actionType() const override;
  std::optional<std::string> urlPath() const override;
  QORResponseClass responseClass() const override;
  std::shared_ptr<QORBaseRequestHeader> createRequestHeader() override;
  // Appends the code-block hash record, then the calls record, of the answer's code block.
  void responseReceived(const std::shared_ptr<QORBaseResponse>& response) override;
  std::vector<std::shared_ptr<QORSessionArtifact>> artifacts() override { return sessionArtifacts_; }
  bool shouldUseWebSocket() const override { return true; }
  bool shouldReconnectWebsocket() const override { return true; }

 protected:
  QORPrepareEnrollmentAction() = default;

 private:
  std::vector<std::shared_ptr<QORSessionArtifact>> sessionArtifacts_;
};

}  // namespace qor
