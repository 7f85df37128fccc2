// What an action reads from its controller: the nonce of the run. Flows refine it with the values
// their actions need. Asked on the action's queue.
#pragma once

#include "common/QORCommonExport.h"
#include "platform/Bytes.h"

namespace qor {

class QOR_COMMON_EXPORT QORClientActionDataSource {
 public:
  virtual ~QORClientActionDataSource() = default;
  virtual platform::OptBytes nonce() const = 0;
};

}  // namespace qor
