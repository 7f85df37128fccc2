// Commit enrollment (type 102): sends the push token, the identifiers, the two public keys of the
// enrollment and the records of the prepare answer under the nonce derived from that answer; its
// answer carries the enrollment token. Sealed with a fresh AES key; travels over WebSocket when one
// is configured, without reconnecting.
//
// Main queue only (checked by the base action); holds its data source (a QORCommitEnrollmentActionDataSource that is
// also a QORArtifactDataSource) and its delegate weakly.
#pragma once

#include <memory>

#include "common/actions/QORBaseClientAction.h"

namespace qor {

class QORCommitEnrollmentAction : public QORBaseClientAction {
 public:
  static std::shared_ptr<QORCommitEnrollmentAction> create();

  std::optional<int64_t> actionType() const override;
  std::optional<std::string> urlPath() const override;
  QORResponseClass responseClass() const override;
  std::shared_ptr<QORBaseRequestHeader> createRequestHeader() override;
  // A QORCommitEnrollmentRequestData with the data source's nonce, keys and records.
  std::shared_ptr<QORBaseRequestData> createRequestData() override;
  bool shouldUseWebSocket() const override { return true; }

 protected:
  QORCommitEnrollmentAction() = default;
};

}  // namespace qor
