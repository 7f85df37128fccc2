#include "ui/resources/QORNativeScreens.h"

#include <mutex>

#include "common/ui/QORCommonClasses.h"
#include "platform/SystemLog.h"
#include "platform/ui/Bundle.h"
#include "platform/ui/ClassRegistry.h"
#include "platform/ui/Storyboard.h"
#include "platform/ui/ViewController.h"
#include "ui/biometric/QORBiometricAuthViewController.h"
#include "ui/confirm/QORAuthInfo.h"
#include "ui/confirm/QORCommitAuthViewController.h"
#include "ui/enrollment/QOREnrollmentViewController.h"
#include "ui/pin/QORKeyboard.h"
#include "ui/pin/QORKeyboardButton.h"
#include "ui/pin/QORPinViewController.h"
#include "ui/resources/internal/NativeScreenLayouts.h"

namespace qor {

const char* const kQORNativeScreensBundleIdentifier = "com.qor.DefaultQorUi";
const char* const kQORAuthStoryboardName = "QORAuthViewController";
const char* const kQOREnrollmentStoryboardName = "QOREnrollmentViewController";

void registerDefaultQorUiResources() {
  static std::once_flag once;
  std::call_once(once, [] {
    using platform::ClassRegistry;
    registerQORCommonClasses();
    const std::string bundleId = kQORNativeScreensBundleIdentifier;
    ClassRegistry::registerClass<QORPinViewController>("QORPinViewController", bundleId);
    ClassRegistry::registerClass<QORBiometricAuthViewController>("QORBiometricAuthViewController", bundleId);
    ClassRegistry::registerClass<QORCommitAuthViewController>("QORCommitAuthViewController", bundleId);
    ClassRegistry::registerClass<QOREnrollmentViewController>("QOREnrollmentViewController", bundleId);
    ClassRegistry::registerClass<QORKeyboard>("QORKeyboard", bundleId);
    ClassRegistry::registerClass<QORKeyboardButton>("QORKeyboardButton", bundleId);
    ClassRegistry::registerClass<QORAuthInfo>("QORAuthInfo", bundleId);

    auto bundle = platform::Bundle::create(bundleId);
    bundle->addStoryboard(kQORAuthStoryboardName, internal::authStoryboardScenes());
    bundle->addStoryboard(kQOREnrollmentStoryboardName, internal::enrollmentStoryboardScenes());
    bundle->addNib("QORKeyboard", {internal::keyboardNib()});
    bundle->addNib("QORAuthInfo", {internal::authInfoNib()});
    platform::Bundle::registerBundle(bundle);
  });
}

std::shared_ptr<platform::ViewController> instantiateNativeScreen(const std::string& storyboard,
                                                                  const std::string& identifier) {
  registerDefaultQorUiResources();
  auto bundle = platform::Bundle::bundleWithIdentifier(kQORNativeScreensBundleIdentifier);
  // Without the bundle the platform would look in the main bundle; the screens live only in ours.
  auto layouts = bundle ? platform::Storyboard::storyboardWithName(storyboard, bundle) : nullptr;
  if (!layouts) {
    platform::systemLog("No storyboard " + storyboard + " in the bundle " + kQORNativeScreensBundleIdentifier);
    return nullptr;
  }
  return layouts->instantiateViewControllerWithIdentifier(identifier);
}

}  // namespace qor
