// What the confirm screen reports, on the main queue.
#pragma once

#include <memory>

#include "ui/DefaultQorUiExport.h"

namespace qor {

class QORCommitAuthViewController;

class QOR_UI_EXPORT QORCommitAuthViewControllerDelegate {
 public:
  virtual ~QORCommitAuthViewControllerDelegate() = default;
  // The cancel button, always with false.
  virtual void commitAuthViewControllerCancelled(const std::shared_ptr<QORCommitAuthViewController>& screen,
                                                 bool isTimeoutError) = 0;
  virtual void commitAuthViewControllerConfirmed(const std::shared_ptr<QORCommitAuthViewController>& screen) = 0;
};

}  // namespace qor
