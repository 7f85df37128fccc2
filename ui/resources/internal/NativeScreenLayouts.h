// The layouts of the native-screens bundle, written as layout trees: the scenes of the two
// storyboards and the two nibs. Sizes fit the main screen (375 x 812 points).
#pragma once

#include <vector>

#include "platform/ui/LayoutNode.h"

namespace qor::internal {

// "QORPinViewController", "QORBiometricAuthViewController", "QORCommitAuthViewController" and the
// authorization host "QORAuthViewController" (its class is QOR's).
std::vector<platform::LayoutScene> authStoryboardScenes();
// "QOREnrollmentViewController".
std::vector<platform::LayoutScene> enrollmentStoryboardScenes();
// The keypad's content view with its ten digit buttons in four rows.
platform::LayoutNode keyboardNib();
// The card's content view: header, message, provider line, logo and filler.
platform::LayoutNode authInfoNib();

}  // namespace qor::internal
