// The runtime's table of classes by name, through which layouts make their objects. The platform's
// own classes ("UIView", "UIControl", "UIButton", "UILabel", "UIImageView",
// "UIActivityIndicatorView", "UIStackView", "UIViewController", "UINavigationController",
// "UITabBarController") are always there. A library registers its own classes, with the identifier
// of the bundle that holds them, from a function it calls on first use; nothing registers at load.
//
// Safe from any thread.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/QORPlatformExport.h"

namespace platform {

class Responder;

class QOR_PLATFORM_EXPORT ClassRegistry {
 public:
  using Factory = std::function<std::shared_ptr<Responder>()>;

  // Registers (or replaces) a class. An empty bundle identifier stands for the main bundle.
  static void registerClass(const std::string& name, Factory factory, std::string bundleIdentifier = {});
  template <class T>
  static void registerClass(const std::string& name, std::string bundleIdentifier = {}) {
    registerClass(name, [] { return std::make_shared<T>(); }, std::move(bundleIdentifier));
  }

  // A new object of the class; nullptr for a name nobody registered.
  static std::shared_ptr<Responder> create(const std::string& name);
  static bool isRegistered(const std::string& name);
  // The identifier of the bundle that holds the class; nullopt when the class is unknown.
  static std::optional<std::string> bundleIdentifierForClass(const std::string& name);
};

}  // namespace platform
