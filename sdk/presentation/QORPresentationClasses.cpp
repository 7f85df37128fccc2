#include "sdk/presentation/QORPresentationClasses.h"

#include <mutex>

#include "platform/ui/ClassRegistry.h"
#include "sdk/presentation/QORAuthButton.h"
#include "sdk/presentation/QORAuthViewController.h"
#include "ui/resources/QORNativeScreens.h"

namespace qor {

void registerQORPresentationClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    registerDefaultQorUiResources();
    const std::string bundleId = kQORNativeScreensBundleIdentifier;
    platform::ClassRegistry::registerClass<QORAuthViewController>(QORAuthViewController::kClassName, bundleId);
    platform::ClassRegistry::registerClass<QORAuthButton>(QORAuthButton::kClassName, bundleId);
  });
}

}  // namespace qor
