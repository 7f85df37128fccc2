// Hears an authorization: once when it pauses after the prepare step for the user's decision, and
// once with its final status (the inherited call). Implemented by the presenters.
#pragma once

#include <cstdint>
#include <memory>

#include "common/actions/QORBaseClientActionControllerDelegate.h"

namespace qor {

class QORAuthControllerDelegate : public virtual QORBaseClientActionControllerDelegate {
 public:
  // Sent once per authorization, with status 1, after the prepare answer was saved.
  virtual void authControllerFinishedAuthPrepare(const std::shared_ptr<QORBaseClientActionController>& controller,
                                                 int32_t status) = 0;
};

}  // namespace qor
