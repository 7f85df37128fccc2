#include "ui/controls/QORApprovalViewController.h"

#include "platform/ui/View.h"
#include "ui/controls/internal/ThemeColours.h"

namespace qor {

void QORApprovalViewController::viewDidLoad() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  platform::ViewController::viewDidLoad();
  setupTheme();
}

void QORApprovalViewController::setupTheme() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  const auto data = authData();
  if (auto card = authInfo()) card->setupWithTheme(theme_, data);
  if (auto label = titleLabel()) label->setAttributedText(data ? data->confirmationDescription() : std::nullopt);
  setupScreen();
  if (!theme_) return;
  setupCancelButtonTheme();
  setupConfirmButtonColor();
  if (auto label = transactionTypeLabel()) {
    label->setTextColor(theme_->getColorForKey(QORThemeTransactionTypeTextColorKey));
  }
  view()->setBackgroundColor(theme_->getColorForKey(QORThemeScreenBackgroundColorKey));
}

void QORApprovalViewController::setupCancelButtonTheme() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  internal::applyButtonColours(cancelButton(), theme_, QORThemeCancelButtonTextColorKey,
                               QORThemeCancelButtonBackgroundColorKey);
}

void QORApprovalViewController::setupConfirmButtonColor() {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  internal::applyButtonColours(confirmButton(), theme_, QORThemeConfirmButtonTextColorKey,
                               QORThemeConfirmButtonBackgroundColorKey);
}

bool QORApprovalViewController::setOutlet(std::string_view name, const std::shared_ptr<platform::Responder>& object) {
  QOR_DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_);
  return bindOutlet(name, object, "titleLabel", titleLabel_) ||
         bindOutlet(name, object, "transactionTypeLabel", transactionTypeLabel_) ||
         bindOutlet(name, object, "authInfo", authInfo_) || bindOutlet(name, object, "cancelButton", cancelButton_) ||
         bindOutlet(name, object, "confirmButton", confirmButton_) ||
         bindOutlet(name, object, "timerLabel", timerLabel_) || platform::ViewController::setOutlet(name, object);
}

}  // namespace qor
