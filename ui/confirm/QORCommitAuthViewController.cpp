#include "ui/confirm/QORCommitAuthViewController.h"

namespace qor {

std::string QORCommitAuthViewController::className() const { return kClassName; }

std::shared_ptr<QORCommitAuthViewController> QORCommitAuthViewController::self() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return std::static_pointer_cast<QORCommitAuthViewController>(shared_from_this());
}

void QORCommitAuthViewController::confirmAction() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (auto delegate = delegate_.lock()) delegate->commitAuthViewControllerConfirmed(self());
}

void QORCommitAuthViewController::cancelAction() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (auto delegate = delegate_.lock()) delegate->commitAuthViewControllerCancelled(self(), false);
}

platform::ActionHandler QORCommitAuthViewController::actionNamed(std::string_view name) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  if (name == "confirmAction") return [this](platform::Control*) { confirmAction(); };
  if (name == "cancelAction") return [this](platform::Control*) { cancelAction(); };
  if (name == "paymentDetailsAction") return [this](platform::Control*) { paymentDetailsAction(); };
  return QORApprovalViewController::actionNamed(name);
}

}  // namespace qor
