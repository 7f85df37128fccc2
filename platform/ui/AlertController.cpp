#include "platform/ui/AlertController.h"

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Screen.h"

namespace platform {

std::shared_ptr<AlertAction> AlertAction::actionWithTitle(std::optional<std::string> title, AlertActionStyle style,
                                                          Handler handler) {
  return std::shared_ptr<AlertAction>(new AlertAction(std::move(title), style, std::move(handler)));
}

void AlertAction::setEnabled(bool enabled) {
  enabled_ = enabled;
  if (auto button = button_.lock()) button->setEnabled(enabled);
}

std::shared_ptr<AlertController> AlertController::alertControllerWithTitle(std::optional<std::string> title,
                                                                           std::optional<std::string> message,
                                                                           AlertControllerStyle style) {
  auto alert = std::make_shared<AlertController>();
  alert->setTitle(std::move(title));
  alert->message_ = std::move(message);
  alert->style_ = style;
  return alert;
}

AlertController::AlertController() { setModalPresentationStyle(ModalPresentationStyle::overFullScreen); }

std::string AlertController::className() const { return "UIAlertController"; }

void AlertController::addAction(const std::shared_ptr<AlertAction>& action) {
  if (!action) return;
  actions_.push_back(action);
  if (isViewLoaded()) addButton(action);
}

void AlertController::loadView() {
  auto view = std::make_shared<View>(Screen::mainScreen().bounds());
  for (const auto& text : {title(), message_}) {
    if (!text) continue;
    auto label = std::make_shared<Label>();
    label->setText(*text);
    label->setNumberOfLines(0);
    view->addSubview(label);
  }
  setView(view);
  for (const auto& action : actions_) addButton(action);
}

void AlertController::addButton(const std::shared_ptr<AlertAction>& action) {
  auto button = std::make_shared<Button>();
  button->setTitle(action->title());
  button->setEnabled(action->isEnabled());
  action->button_ = button;
  // The alert holds the button through its view: the button holds the alert weakly.
  const std::weak_ptr<AlertController> weak = std::static_pointer_cast<AlertController>(shared_from_this());
  button->addAction(
      [weak, action](Control&) {
        auto alert = weak.lock();
        if (!alert) return;
        alert->dismissViewControllerAnimated(true, [action] {
          if (action->handler_) action->handler_(action);
        });
      },
      kControlEventTouchUpInside);
  viewIfLoaded()->addSubview(button);
}

}  // namespace platform
