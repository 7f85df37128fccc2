// An alert: a title, a message and actions, presented like any controller (over the presenter, which
// stays on screen). Its view shows the title and the message as labels and one button per action;
// tapping a button dismisses the alert, animated, and then calls the action's handler.
//
// Main queue only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/QORPlatformExport.h"
#include "platform/ui/ViewController.h"

namespace platform {

class Button;

enum class AlertControllerStyle { actionSheet, alert };
enum class AlertActionStyle { defaultStyle, cancel, destructive };

class AlertAction {
 public:
  using Handler = std::function<void(const std::shared_ptr<AlertAction>&)>;
  static std::shared_ptr<AlertAction> actionWithTitle(std::optional<std::string> title, AlertActionStyle style,
                                                      Handler handler = {});

  const std::optional<std::string>& title() const { return title_; }
  AlertActionStyle style() const { return style_; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);

 private:
  friend class AlertController;
  AlertAction(std::optional<std::string> title, AlertActionStyle style, Handler handler)
      : title_(std::move(title)), style_(style), handler_(std::move(handler)) {}

  const std::optional<std::string> title_;
  const AlertActionStyle style_;
  const Handler handler_;
  bool enabled_ = true;
  std::weak_ptr<Button> button_;  // once the alert's view is made
};

class QOR_PLATFORM_EXPORT AlertController : public ViewController {
 public:
  static std::shared_ptr<AlertController> alertControllerWithTitle(std::optional<std::string> title,
                                                                   std::optional<std::string> message,
                                                                   AlertControllerStyle style);
  AlertController();
  std::string className() const override;

  const std::optional<std::string>& message() const { return message_; }
  void setMessage(std::optional<std::string> message) { message_ = std::move(message); }
  AlertControllerStyle preferredStyle() const { return style_; }
  const std::vector<std::shared_ptr<AlertAction>>& actions() const { return actions_; }
  void addAction(const std::shared_ptr<AlertAction>& action);

  void loadView() override;

 private:
  void addButton(const std::shared_ptr<AlertAction>& action);

  std::optional<std::string> message_;
  AlertControllerStyle style_ = AlertControllerStyle::alert;
  std::vector<std::shared_ptr<AlertAction>> actions_;
};

}  // namespace platform
