// The text rendering of the headless screen: what a person would read off it, for tests and the demo.
//
// A view renders as one line per view that shows something of its own (View::screenText: labels in
// quotes, buttons in brackets, images, spinners), indented by two spaces per level of such views;
// hidden views and everything inside them are left out; a horizontal stack view shows its row on
// one line (StackView.h). The screen renders the key window: each controller that is visible on the
// presented chain (the top one, and below it every one that a presentation other than full screen
// leaves visible) under a heading with its class name, then an open biometric prompt of the
// simulated device, if any.
//
// Main queue only.
#pragma once

#include <memory>
#include <string>

#include "platform/QORPlatformExport.h"

namespace platform {

class View;

QOR_PLATFORM_EXPORT std::string renderView(const std::shared_ptr<View>& view);
QOR_PLATFORM_EXPORT std::string renderScreen();

}  // namespace platform
