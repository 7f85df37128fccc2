// The commit-enrollment body: the nonce derived from the prepare answer, the stored push token,
// external and device identifiers, the two public keys of the enrollment and the records of the
// prepare answer. Made for one request; used from one queue at a time.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "common/artifacts/QORSessionArtifact.h"
#include "common/crypto/QORSecretKey.h"
#include "common/request/QORBaseRequestData.h"

namespace qor {

class QORCommitEnrollmentRequestData : public QORBaseRequestData {
 public:
  using Records = std::vector<std::shared_ptr<QORSessionArtifact>>;

  // initWithNonce:pubClient:pubUtility:artifacts:
  static std::shared_ptr<QORCommitEnrollmentRequestData> create(platform::OptBytes nonce,
                                                                std::shared_ptr<QORSecretKey> pubClient,
                                                                std::shared_ptr<QORSecretKey> pubUtility,
                                                                Records artifacts);

  // {"nonceQOR", "appPNS", "externalId", "pubClient", "deviceId", "pubVerification", "artifacts"},
  // the stored values read now; nullopt unless all seven are there (a missing key pair, a missing
  // stored value or a record without a dictionary keeps the request from being sent).
  std::optional<platform::Json> requestDictionary() const override;

 protected:
  QORCommitEnrollmentRequestData(platform::OptBytes nonce, std::shared_ptr<QORSecretKey> pubClient,
                                 std::shared_ptr<QORSecretKey> pubUtility, Records artifacts);

 private:
  std::shared_ptr<QORSecretKey> pubClient_;
  std::shared_ptr<QORSecretKey> pubUtility_;
  Records artifacts_;
};

}  // namespace qor
