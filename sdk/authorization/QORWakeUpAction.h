// The wake-up (type 105): the first exchange of an authorization. Its body carries the session of
// the push and the records gathered so far; its answer's code block carries the nonce seed and the
// storage keys, and is kept as a code-block hash record. Sealed with a fresh AES key; travels over
// WebSocket when one is configured, reconnecting first.
//
// Main queue only (checked by the base action); holds its data source (a QORWakeUpActionDataSource) weakly.
#pragma once

#include <memory>
#include <vector>

#include "common/actions/QORBaseClientAction.h"
#include "sdk/authorization/QORWakeUpActionDataSource.h"

namespace qor {

class QORWakeUpAction : public QORBaseClientAction {
 public:
  static std::shared_ptr<QORWakeUpAction> create();

  std::optional<int64_t> actionType() const override;
  std::optional<std::string> urlPath() const override;
  QORResponseClass responseClass() const override;
  std::shared_ptr<QORBaseRequestHeader> createRequestHeader() override;
  std::shared_ptr<QORBaseRequestData> createRequestData() override;
  // Appends the code-block hash record of the answer.
  void responseReceived(const std::shared_ptr<QORBaseResponse>& response) override;
  // The records taken from the answers, in the order they were made.
  std::vector<std::shared_ptr<QORSessionArtifact>> artifacts() override { return sessionArtifacts_; }
  bool shouldUseWebSocket() const override { return true; }
  bool shouldReconnectWebsocket() const override { return true; }

  std::shared_ptr<QORWakeUpActionDataSource> wakeUpDataSource() const;

 protected:
  QORWakeUpAction() = default;

 private:
  std::vector<std::shared_ptr<QORSessionArtifact>> sessionArtifacts_;
};

}  // namespace qor
