// The commit body: the nonce and the records of the session, in list order. Made for one request.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "common/artifacts/QORSessionArtifact.h"
#include "common/request/QORBaseRequestData.h"

namespace qor {

class QORCommitAuthRequestData : public QORBaseRequestData {
 public:
  using Records = std::vector<std::shared_ptr<QORSessionArtifact>>;

  // initWithNonce:artifacts:
  static std::shared_ptr<QORCommitAuthRequestData> create(platform::OptBytes nonce, Records artifacts);

  const Records& artifacts() const { return artifacts_; }

  // {"nonceQOR", "artifacts"}; nullopt unless both (a record without a dictionary leaves
  // "artifacts" out, so an answer that could not be sealed is never sent without it).
  std::optional<platform::Json> requestDictionary() const override;

 protected:
  QORCommitAuthRequestData(platform::OptBytes nonce, Records artifacts);

 private:
  Records artifacts_;
};

}  // namespace qor
