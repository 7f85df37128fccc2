// What the biometric and confirm screens share: the transaction card, the title (the data's
// `confirmationDescription`), the transaction-type label, cancel and confirm buttons and a timer
// label that stays empty; and their set-up when the view loads: the card, the title, the screen's
// own step, then, with a theme, the colours of both buttons, the transaction-type label and the
// background. Without a theme the layout's colours stay.
//
// Main queue only (checked in Debug builds).
#pragma once

#include <memory>

#include "common/theme/QORTheme.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewController.h"
#include "ui/DefaultQorUiExport.h"
#include "ui/confirm/QORAuthInfo.h"
#include "ui/data/QORAtomicValue.h"
#include "ui/data/QORAuthData.h"
#include "platform/SequenceChecker.h"

namespace qor {

class QOR_UI_EXPORT QORApprovalViewController : public platform::ViewController {
 public:
  const std::shared_ptr<QORTheme>& theme() const { return theme_; }
  void setTheme(std::shared_ptr<QORTheme> theme) { theme_ = std::move(theme); }
  std::shared_ptr<QORAuthData> authData() const { return authData_.load(); }
  void setAuthData(std::shared_ptr<QORAuthData> authData) { authData_.store(std::move(authData)); }

  std::shared_ptr<platform::Label> titleLabel() const { return titleLabel_.lock(); }
  // Its text comes from the layout; the screen only colours it.
  std::shared_ptr<platform::Label> transactionTypeLabel() const { return transactionTypeLabel_.lock(); }
  std::shared_ptr<QORAuthInfo> authInfo() const { return authInfo_.lock(); }
  std::shared_ptr<platform::Button> cancelButton() const { return cancelButton_.lock(); }
  std::shared_ptr<platform::Button> confirmButton() const { return confirmButton_.lock(); }
  std::shared_ptr<platform::Label> timerLabel() const { return timerLabel_.lock(); }

  void viewDidLoad() override;
  void setupTheme();
  void setupCancelButtonTheme();
  void setupConfirmButtonColor();

  bool setOutlet(std::string_view name, const std::shared_ptr<platform::Responder>& object) override;

 protected:
  // The screen's own step between the title and the colours.
  virtual void setupScreen() {}

 private:
  std::shared_ptr<QORTheme> theme_;
  QORAtomicValue<std::shared_ptr<QORAuthData>> authData_;

  std::weak_ptr<platform::Label> titleLabel_;
  std::weak_ptr<platform::Label> transactionTypeLabel_;
  std::weak_ptr<QORAuthInfo> authInfo_;
  std::weak_ptr<platform::Button> cancelButton_;
  std::weak_ptr<platform::Button> confirmButton_;
  std::weak_ptr<platform::Label> timerLabel_;

 protected:
  QOR_MAIN_QUEUE_CHECKER(sequence_);
};

}  // namespace qor
