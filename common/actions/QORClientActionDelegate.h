// Hears the one status of each `start` of an action, on the main queue (or inside `start` when the
// request could not be built).
#pragma once

#include <memory>

#include "common/QORCommonExport.h"
#include "common/actions/QORStatus.h"

namespace qor {

class QORBaseClientAction;

class QOR_COMMON_EXPORT QORClientActionDelegate {
 public:
  virtual ~QORClientActionDelegate() = default;
  virtual void clientActionFinishedWithStatus(const std::shared_ptr<QORBaseClientAction>& action, QORStatus status) = 0;
};

}  // namespace qor
