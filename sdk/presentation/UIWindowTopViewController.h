// What the user sees right now, over the application's key window: the controller on top, and two
// tests of what it is. A container that shows nothing (an empty navigation stack, a tab container
// without tabs) gives no top controller.
//
// Main queue only; keeps no state.
#pragma once

#include <memory>

#include "platform/ui/ViewController.h"

namespace qor {

// From the key window's root: the controller it presents, else a navigation container's visible
// controller, else a tab container's selected one, until none of these applies. nullptr without a key
// window, without a root, or when a container on the way shows nothing.
std::shared_ptr<platform::ViewController> topViewController();
// The top controller is a PIN, biometric or confirm screen.
bool isQORViewControllerActive();
// The top controller is an alert.
bool isAlertControllerActive();

}  // namespace qor
