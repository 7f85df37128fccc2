// Resource bundles: where the layouts live. A library makes its bundle, fills it with its
// storyboards and nibs (LayoutNode.h) and registers it, from a function it calls on first use
// (nothing runs at load); code finds it again by its identifier, or by a class the library
// registered with that identifier (ClassRegistry.h). The main bundle is the host app's: its info
// values are platform::AppInfo's, and the host app may add layouts of its own to it.
//
// A bundle that is not registered, a layout that is not in the bundle, a scene that is not in the
// storyboard: each gives nil (nullptr or nullopt), never a crash.
//
// Safe from any thread; the objects that layouts make belong to the main queue.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/QORPlatformExport.h"
#include "platform/ui/LayoutNode.h"

namespace platform {

class Responder;

namespace detail {
struct StoryboardContent;
struct NibContent;
}  // namespace detail

class QOR_PLATFORM_EXPORT Bundle : public std::enable_shared_from_this<Bundle> {
 public:
  static std::shared_ptr<Bundle> create(std::string identifier);
  // Registers the bundle under its identifier, replacing one registered before under it.
  static void registerBundle(const std::shared_ptr<Bundle>& bundle);
  static std::shared_ptr<Bundle> bundleWithIdentifier(const std::string& identifier);
  // The bundle registered for the class's bundle identifier; the main bundle for a class of the
  // main bundle, and for a class nobody registered (as the platform answers).
  static std::shared_ptr<Bundle> bundleForClass(const std::string& className);
  static std::shared_ptr<Bundle> mainBundle();

  // The main bundle's is the info value "CFBundleIdentifier" ("" when not set).
  std::string bundleIdentifier() const;
  // The main bundle answers from platform::AppInfo; other bundles have no info values.
  std::optional<std::string> objectForInfoDictionaryKey(const std::string& key) const;

  void addStoryboard(std::string name, std::vector<LayoutScene> scenes);
  void addNib(std::string name, std::vector<LayoutNode> objects);
  // The nib's top-level objects, made with `owner` as its owner; nullopt when there is no such nib
  // or it cannot be made.
  std::optional<std::vector<std::shared_ptr<Responder>>> loadNibNamed(const std::string& name,
                                                                      const std::shared_ptr<Responder>& owner);

  std::shared_ptr<const detail::StoryboardContent> storyboardContent(const std::string& name) const;
  std::shared_ptr<const detail::NibContent> nibContent(const std::string& name) const;

 private:
  Bundle(std::string identifier, bool isMain) : identifier_(std::move(identifier)), isMain_(isMain) {}

  const std::string identifier_;
  const bool isMain_;
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<const detail::StoryboardContent>> storyboards_;
  std::map<std::string, std::shared_ptr<const detail::NibContent>> nibs_;
};

}  // namespace platform
