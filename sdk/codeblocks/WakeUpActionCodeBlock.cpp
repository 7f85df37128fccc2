#include "sdk/codeblocks/WakeUpActionCodeBlock.h"

namespace qor {

std::shared_ptr<WakeUpActionCodeBlock> WakeUpActionCodeBlock::create(const std::optional<platform::Json>& dictionary) {
  return make<WakeUpActionCodeBlock>(dictionary);
}

void WakeUpActionCodeBlock::initBody(const std::optional<platform::Json>& body) {
  if (!body) return;
  prvStorageCurrent_ = platform::stringMember(*body, "prvStorageCurrent");
  pubStorageNext_ = platform::stringMember(*body, "pubStorageNext");
}

}  // namespace qor
