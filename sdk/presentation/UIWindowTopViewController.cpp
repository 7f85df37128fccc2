#include "sdk/presentation/UIWindowTopViewController.h"

#include "platform/ui/AlertController.h"
#include "platform/ui/Application.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/Window.h"
#include "ui/biometric/QORBiometricAuthViewController.h"
#include "ui/confirm/QORCommitAuthViewController.h"
#include "ui/pin/QORPinViewController.h"

namespace qor {

std::shared_ptr<platform::ViewController> topViewController() {
  auto window = platform::Application::shared().keyWindow();
  auto controller = window ? window->rootViewController() : nullptr;
  while (controller) {
    if (auto presented = controller->presentedViewController()) {
      controller = presented;
    } else if (auto navigation = std::dynamic_pointer_cast<platform::NavigationController>(controller)) {
      controller = navigation->visibleViewController();
    } else if (auto tabs = std::dynamic_pointer_cast<platform::TabBarController>(controller)) {
      controller = tabs->selectedViewController();
    } else {
      break;
    }
  }
  return controller;
}

bool isQORViewControllerActive() {
  auto top = topViewController();
  return std::dynamic_pointer_cast<QORCommitAuthViewController>(top) ||
         std::dynamic_pointer_cast<QORBiometricAuthViewController>(top) ||
         std::dynamic_pointer_cast<QORPinViewController>(top);
}

bool isAlertControllerActive() { return std::dynamic_pointer_cast<platform::AlertController>(topViewController()) != nullptr; }

}  // namespace qor
