#include "platform/ui/Nib.h"

#include "platform/ui/Bundle.h"
#include "platform/ui/internal/LayoutContent.h"
#include "platform/ui/internal/LayoutLoader.h"

namespace platform {

std::shared_ptr<Nib> Nib::nibWithName(const std::string& name, const std::shared_ptr<Bundle>& bundle) {
  auto content = (bundle ? bundle : Bundle::mainBundle())->nibContent(name);
  if (!content) return nullptr;
  return std::shared_ptr<Nib>(new Nib(std::move(content)));
}

const std::string& Nib::name() const { return content_->name; }

std::optional<std::vector<std::shared_ptr<Responder>>> Nib::instantiateWithOwner(
    const std::shared_ptr<Responder>& owner) const {
  return detail::loadLayout(content_->objects, owner, content_->name);
}

}  // namespace platform
