// The native-screens resource bundle of DefaultQorUi: the storyboards "QORAuthViewController" (the
// PIN, biometric and confirm screens, and the authorization host, whose class QOR registers by name)
// and "QOREnrollmentViewController", and the nibs "QORKeyboard" and "QORAuthInfo".
//
// Nothing registers at load: registerDefaultQorUiResources makes the library's classes and the
// bundle known the first time it is called (later calls do nothing). The screens' factories call it;
// so does anything that instantiates a scene of the bundle. Safe from any thread.
#pragma once

#include <memory>
#include <string>

#include "ui/DefaultQorUiExport.h"

namespace platform {
class ViewController;
}

namespace qor {

QOR_UI_EXPORT extern const char* const kQORNativeScreensBundleIdentifier;  // "com.qor.DefaultQorUi"
QOR_UI_EXPORT extern const char* const kQORAuthStoryboardName;             // "QORAuthViewController"
QOR_UI_EXPORT extern const char* const kQOREnrollmentStoryboardName;       // "QOREnrollmentViewController"

QOR_UI_EXPORT void registerDefaultQorUiResources();

// A new controller of the scene `identifier` of the storyboard in the native-screens bundle (its
// view not loaded yet); nullptr, logged, when the bundle, the storyboard or the scene is missing or
// the scene's class is not registered. Main queue.
QOR_UI_EXPORT std::shared_ptr<platform::ViewController> instantiateNativeScreen(const std::string& storyboard,
                                                                  const std::string& identifier);

}  // namespace qor
