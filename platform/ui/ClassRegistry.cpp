#include "platform/ui/ClassRegistry.h"

#include <map>
#include <mutex>

#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/StackView.h"
#include "platform/ui/TabBarController.h"

namespace platform {
namespace {

struct Entry {
  ClassRegistry::Factory factory;
  std::string bundleIdentifier;
};

struct Registry {
  std::mutex mutex;
  std::map<std::string, Entry> classes;

  template <class T>
  void add(const char* name) {
    classes.emplace(name, Entry{[] { return std::make_shared<T>(); }, {}});
  }
};

// Made, with the platform's own classes, on first use.
Registry& registry() {
  static auto* r = [] {
    auto* made = new Registry;
    made->add<View>("UIView");
    made->add<Control>("UIControl");
    made->add<Button>("UIButton");
    made->add<Label>("UILabel");
    made->add<ImageView>("UIImageView");
    made->add<ActivityIndicatorView>("UIActivityIndicatorView");
    made->add<StackView>("UIStackView");
    made->add<ViewController>("UIViewController");
    made->add<NavigationController>("UINavigationController");
    made->add<TabBarController>("UITabBarController");
    return made;
  }();
  return *r;
}

}  // namespace

void ClassRegistry::registerClass(const std::string& name, Factory factory, std::string bundleIdentifier) {
  if (!factory) return;
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  r.classes.insert_or_assign(name, Entry{std::move(factory), std::move(bundleIdentifier)});
}

std::shared_ptr<Responder> ClassRegistry::create(const std::string& name) {
  Factory factory;
  {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.classes.find(name);
    if (it == r.classes.end()) return nullptr;
    factory = it->second.factory;
  }
  return factory();
}

bool ClassRegistry::isRegistered(const std::string& name) { return bundleIdentifierForClass(name).has_value(); }

std::optional<std::string> ClassRegistry::bundleIdentifierForClass(const std::string& name) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.classes.find(name);
  if (it == r.classes.end()) return std::nullopt;
  return it->second.bundleIdentifier;
}

}  // namespace platform
