// What the wake-up reads from its controller: the run's nonce, the session identifier of the push
// and the records gathered so far.
#pragma once

#include <cstdint>
#include <optional>

#include "common/actions/QORClientActionDataSource.h"
#include "sdk/artifacts/QORArtifactDataSource.h"

namespace qor {

class QORWakeUpActionDataSource : public virtual QORClientActionDataSource, public virtual QORArtifactDataSource {
 public:
  virtual std::optional<int64_t> sessionId() const = 0;
};

}  // namespace qor
