#include "sdk/codeblocks/EnrollmentActionCodeBlock.h"

namespace qor {

std::shared_ptr<EnrollmentActionCodeBlock> EnrollmentActionCodeBlock::create(
    const std::optional<platform::Json>& dictionary) {
  return make<EnrollmentActionCodeBlock>(dictionary);
}

void EnrollmentActionCodeBlock::initBody(const std::optional<platform::Json>& body) {
  if (!body) return;
  pubSPS_ = platform::stringMember(*body, "pubSPS");
  pubStorageInitial_ = platform::stringMember(*body, "pubStorageInitial");
  screenshotEnabled_ = platform::stringMember(*body, "screenshotEnabled") == "true";
}

}  // namespace qor
