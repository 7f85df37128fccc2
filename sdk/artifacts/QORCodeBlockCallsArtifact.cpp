#include "sdk/artifacts/QORCodeBlockCallsArtifact.h"

#include "sdk/artifacts/internal/RecordDictionary.h"

namespace qor {

std::shared_ptr<QORCodeBlockCallsArtifact> QORCodeBlockCallsArtifact::create(
    const std::optional<platform::Json>& codeBlock) {
  return std::make_shared<QORCodeBlockCallsArtifact>(codeBlock ? platform::stringMember(*codeBlock, "id")
                                                               : std::nullopt);
}

QORCodeBlockCallsArtifact::QORCodeBlockCallsArtifact(std::optional<std::string> codeBlockId)
    : QORSessionArtifact(kType), codeBlockId_(std::move(codeBlockId)) {}

std::optional<platform::Json> QORCodeBlockCallsArtifact::requestDictionary() const {
  auto dictionary = internal::recordDictionary(*this, "CallArtifact");
  if (codeBlockId_) (*dictionary)["codeBlockId"] = *codeBlockId_;
  (*dictionary)["calls"] = platform::Json::array();
  return internal::withExactCount(std::move(*dictionary), 4);
}

uint32_t QORCodeBlockCallsArtifact::getHashCode() const {
  return 59u * static_cast<uint32_t>(hashFor(codeBlockId_)) + 4048404u;
}

}  // namespace qor
