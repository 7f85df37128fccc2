// QOR's classes that layouts name: the authorization host "QORAuthViewController" (the host scene
// of the native-screens bundle's storyboard "QORAuthViewController") and "QORAuthButton", both
// registered with the native-screens bundle's identifier.
//
// Nothing registers at load: the first call registers (after the native screens' own classes, so
// the host scene makes a QORAuthViewController); later calls do nothing. The host's factory calls
// it. Safe from any thread.
#pragma once

namespace qor {

void registerQORPresentationClasses();

}  // namespace qor
