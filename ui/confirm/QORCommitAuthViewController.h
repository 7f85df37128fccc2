// The confirm screen: the transaction card, the title and two buttons, for transactions that need
// only a plain approval. Confirm reports the screen; cancel reports the screen and false. Its buttons
// stay live; the native host dismisses it.
//
// Made by its factory from the scene "QORCommitAuthViewController" of the storyboard
// "QORAuthViewController". Main queue only (checked in Debug builds).
#pragma once

#include <memory>
#include <string>

#include "ui/DefaultQorUiExport.h"
#include "ui/controls/QORApprovalViewController.h"
#include "ui/protocols/QORCommitAuthViewControllerDelegate.h"
#include "ui/resources/QORNativeScreens.h"

namespace qor {

class QOR_UI_EXPORT QORCommitAuthViewController : public QORApprovalViewController {
 public:
  static constexpr const char* kClassName = "QORCommitAuthViewController";

  // A new screen, its view not loaded; nullptr when its scene is missing. Called as
  // controllerWithTheme<Subclass>(...), it makes the scene named by Subclass::kClassName.
  template <class Screen = QORCommitAuthViewController>
  static std::shared_ptr<Screen> controllerWithTheme(
      std::shared_ptr<QORTheme> theme, const std::shared_ptr<QORCommitAuthViewControllerDelegate>& delegate,
      std::shared_ptr<QORAuthData> authData) {
    auto screen = std::dynamic_pointer_cast<Screen>(instantiateNativeScreen(kQORAuthStoryboardName, Screen::kClassName));
    if (screen) {
      screen->setDelegate(delegate);
      screen->setTheme(std::move(theme));
      screen->setAuthData(std::move(authData));
    }
    return screen;
  }

  std::string className() const override;

  std::weak_ptr<QORCommitAuthViewControllerDelegate> delegate() const { return delegate_; }
  void setDelegate(std::weak_ptr<QORCommitAuthViewControllerDelegate> delegate) { delegate_ = std::move(delegate); }

  void confirmAction();
  void cancelAction();
  // Does nothing.
  void paymentDetailsAction() {}

  platform::ActionHandler actionNamed(std::string_view name) override;

 private:
  std::shared_ptr<QORCommitAuthViewController> self();

  std::weak_ptr<QORCommitAuthViewControllerDelegate> delegate_;
};

}  // namespace qor
