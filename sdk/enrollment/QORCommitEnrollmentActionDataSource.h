// What the commit enrollment reads from its controller besides the run's nonce: the two public keys
// of the enrollment. The records come through QORArtifactDataSource, which the controller also adopts.
#pragma once

#include <memory>

#include "common/actions/QORClientActionDataSource.h"
#include "common/crypto/QORSecretKey.h"

namespace qor {

class QORCommitEnrollmentActionDataSource : public virtual QORClientActionDataSource {
 public:
  virtual std::shared_ptr<QORSecretKey> pubClient() const = 0;
  virtual std::shared_ptr<QORSecretKey> pubUtility() const = 0;
};

}  // namespace qor
