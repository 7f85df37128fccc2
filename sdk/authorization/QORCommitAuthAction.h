// Commit authorization (type 104): the prepare step's sealing with the agreed secret, carrying the
// records of the session (the user's answer among them) to the server.
//
// Main queue only (checked by the base action); holds its data source (a QORCommitAuthActionDataSource) weakly.
#pragma once

#include <memory>

#include "sdk/authorization/QORCommitAuthActionDataSource.h"
#include "sdk/authorization/QORPrepareAuthAction.h"

namespace qor {

class QORCommitAuthAction : public QORPrepareAuthAction {
 public:
  static std::shared_ptr<QORCommitAuthAction> create();

  std::optional<int64_t> actionType() const override;
  QORResponseClass responseClass() const override;
  std::shared_ptr<QORBaseRequestData> createRequestData() override;

  std::shared_ptr<QORCommitAuthActionDataSource> commitDataSource() const;

 protected:
  QORCommitAuthAction() = default;
};

}  // namespace qor
