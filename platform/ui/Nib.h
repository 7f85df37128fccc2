// A nib of a bundle: top-level objects made with an owner, whose outlets and actions the nib's nodes
// name. The usual use is a view that loads the nib named after its runtime class from the bundle
// that holds that class:
//
//   auto nib = Nib::nibWithName(className(), Bundle::bundleForClass(className()));
//   auto objects = nib ? nib->instantiateWithOwner(shared_from_this()) : std::nullopt;
//
// Safe from any thread; the objects belong to the main queue.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/QORPlatformExport.h"

namespace platform {

class Bundle;
class Responder;

namespace detail {
struct NibContent;
}

class QOR_PLATFORM_EXPORT Nib {
 public:
  // nullptr when the bundle has no nib of that name; a null bundle means the main bundle.
  static std::shared_ptr<Nib> nibWithName(const std::string& name, const std::shared_ptr<Bundle>& bundle);

  const std::string& name() const;
  // The top-level objects in order; nullopt when one of them cannot be made.
  std::optional<std::vector<std::shared_ptr<Responder>>> instantiateWithOwner(
      const std::shared_ptr<Responder>& owner) const;

 private:
  explicit Nib(std::shared_ptr<const detail::NibContent> content) : content_(std::move(content)) {}
  std::shared_ptr<const detail::NibContent> content_;
};

}  // namespace platform
