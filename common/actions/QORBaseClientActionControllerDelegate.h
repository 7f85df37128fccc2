// Hears the final status of each run of a controller.
#pragma once

#include <memory>

#include "common/QORCommonExport.h"
#include "common/actions/QORStatus.h"

namespace qor {

class QORBaseClientActionController;

class QOR_COMMON_EXPORT QORBaseClientActionControllerDelegate {
 public:
  virtual ~QORBaseClientActionControllerDelegate() = default;
  virtual void clientActionControllerFinishedWithStatus(const std::shared_ptr<QORBaseClientActionController>& controller,
                                                        QORStatus status) = 0;
};

}  // namespace qor
