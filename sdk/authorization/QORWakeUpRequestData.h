// The wake-up body: the nonce, the session identifier of the push and the records gathered so far
// (an empty list on a fresh authorization). Made for one request.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "common/artifacts/QORSessionArtifact.h"
#include "common/request/QORBaseRequestData.h"

namespace qor {

class QORWakeUpRequestData : public QORBaseRequestData {
 public:
  using Records = std::vector<std::shared_ptr<QORSessionArtifact>>;

  // initWithNonce:sessionId:artifacts:
  static std::shared_ptr<QORWakeUpRequestData> create(platform::OptBytes nonce, std::optional<int64_t> sessionId,
                                                      Records artifacts);

  const std::optional<int64_t>& sessionId() const { return sessionId_; }
  const Records& artifacts() const { return artifacts_; }

  // {"nonceQOR", "sessionId", "artifacts"}; nullopt unless all three (a record without a
  // dictionary leaves "artifacts" out).
  std::optional<platform::Json> requestDictionary() const override;

 protected:
  QORWakeUpRequestData(platform::OptBytes nonce, std::optional<int64_t> sessionId, Records artifacts);

 private:
  std::optional<int64_t> sessionId_;
  Records artifacts_;
};

}  // namespace qor
