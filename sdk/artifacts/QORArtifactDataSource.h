// What an action that sends records reads from its controller: the records of the session, in the
// order they were gathered.
#pragma once

#include <memory>
#include <vector>

#include "common/artifacts/QORSessionArtifact.h"

namespace qor {

class QORArtifactDataSource {
 public:
  virtual ~QORArtifactDataSource() = default;
  virtual std::vector<std::shared_ptr<QORSessionArtifact>> artifacts() const = 0;
};

}  // namespace qor
