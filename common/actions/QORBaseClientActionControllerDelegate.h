// Hears the final status of each run of a controller.
#pragma once

#include <memory>

#include "common/actions/QORStatus.h"

namespace qor {

class QORBaseClientActionController;

class QORBaseClientActionControllerDelegate {
 public:
  virtual ~QORBaseClientActionControllerDelegate() = default;
  virtual void clientActionControllerFinishedWithStatus(const std::shared_ptr<QORBaseClientActionController>& controller,
                                                        QORStatus status) = 0;
};

}  // namespace qor
