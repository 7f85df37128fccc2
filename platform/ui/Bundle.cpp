#include "platform/ui/Bundle.h"

#include "platform/AppInfo.h"
#include "platform/ui/ClassRegistry.h"
#include "platform/ui/Nib.h"
#include "platform/ui/internal/LayoutContent.h"

namespace platform {
namespace {

struct BundleRegistry {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<Bundle>> bundles;
};

BundleRegistry& registry() {
  static auto* r = new BundleRegistry;
  return *r;
}

}  // namespace

std::shared_ptr<Bundle> Bundle::create(std::string identifier) {
  return std::shared_ptr<Bundle>(new Bundle(std::move(identifier), false));
}

void Bundle::registerBundle(const std::shared_ptr<Bundle>& bundle) {
  if (!bundle || bundle->isMain_) return;
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  r.bundles.insert_or_assign(bundle->identifier_, bundle);
}

std::shared_ptr<Bundle> Bundle::bundleWithIdentifier(const std::string& identifier) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.bundles.find(identifier);
  return it == r.bundles.end() ? nullptr : it->second;
}

std::shared_ptr<Bundle> Bundle::bundleForClass(const std::string& className) {
  auto identifier = ClassRegistry::bundleIdentifierForClass(className);
  if (identifier && !identifier->empty()) {
    if (auto bundle = bundleWithIdentifier(*identifier)) return bundle;
  }
  return mainBundle();
}

std::shared_ptr<Bundle> Bundle::mainBundle() {
  static auto* main = new std::shared_ptr<Bundle>(new Bundle({}, true));
  return *main;
}

std::string Bundle::bundleIdentifier() const {
  if (isMain_) return AppInfo::value("CFBundleIdentifier").value_or("");
  return identifier_;
}

std::optional<std::string> Bundle::objectForInfoDictionaryKey(const std::string& key) const {
  if (!isMain_) return std::nullopt;
  return AppInfo::value(key);
}

void Bundle::addStoryboard(std::string name, std::vector<LayoutScene> scenes) {
  auto content = std::make_shared<const detail::StoryboardContent>(detail::StoryboardContent{name, std::move(scenes)});
  std::lock_guard lock(mutex_);
  storyboards_.insert_or_assign(std::move(name), std::move(content));
}

void Bundle::addNib(std::string name, std::vector<LayoutNode> objects) {
  auto content = std::make_shared<const detail::NibContent>(detail::NibContent{name, std::move(objects)});
  std::lock_guard lock(mutex_);
  nibs_.insert_or_assign(std::move(name), std::move(content));
}

std::optional<std::vector<std::shared_ptr<Responder>>> Bundle::loadNibNamed(const std::string& name,
                                                                             const std::shared_ptr<Responder>& owner) {
  auto nib = Nib::nibWithName(name, shared_from_this());
  if (!nib) return std::nullopt;
  return nib->instantiateWithOwner(owner);
}

std::shared_ptr<const detail::StoryboardContent> Bundle::storyboardContent(const std::string& name) const {
  std::lock_guard lock(mutex_);
  auto it = storyboards_.find(name);
  return it == storyboards_.end() ? nullptr : it->second;
}

std::shared_ptr<const detail::NibContent> Bundle::nibContent(const std::string& name) const {
  std::lock_guard lock(mutex_);
  auto it = nibs_.find(name);
  return it == nibs_.end() ? nullptr : it->second;
}

}  // namespace platform
