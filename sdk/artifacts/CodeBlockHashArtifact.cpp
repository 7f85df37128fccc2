#include "sdk/artifacts/CodeBlockHashArtifact.h"

#include "common/crypto/QORCryptUtilsB64.h"
#include "platform/Digest.h"
#include "sdk/artifacts/internal/RecordDictionary.h"

namespace qor {

std::shared_ptr<CodeBlockHashArtifact> CodeBlockHashArtifact::create(const std::optional<platform::Json>& codeBlock) {
  const platform::Json block = codeBlock ? *codeBlock : platform::Json();
  const platform::OptBytes body = QORCryptUtilsB64::decodeString(platform::stringMember(block, "body"));
  const platform::Bytes digest = platform::sha256(body.value_or(platform::Bytes()));
  return create(kType, QORCryptUtilsB64::encodeDataToString(digest), platform::stringMember(block, "id"));
}

std::shared_ptr<CodeBlockHashArtifact> CodeBlockHashArtifact::create(std::optional<int64_t> type,
                                                                     std::optional<std::string> b64CodeBlockHash,
                                                                     std::optional<std::string> codeBlockId) {
  return std::make_shared<CodeBlockHashArtifact>(type, std::move(b64CodeBlockHash), std::move(codeBlockId));
}

CodeBlockHashArtifact::CodeBlockHashArtifact(std::optional<int64_t> type, std::optional<std::string> b64CodeBlockHash,
                                             std::optional<std::string> codeBlockId)
    : QORSessionArtifact(type), b64CodeBlockHash_(std::move(b64CodeBlockHash)), codeBlockId_(std::move(codeBlockId)) {}

std::optional<platform::Json> CodeBlockHashArtifact::requestDictionary() const {
  auto dictionary = internal::recordDictionary(*this, "CodeBlockArtifact");
  if (codeBlockId_) (*dictionary)["codeBlockId"] = *codeBlockId_;
  if (b64CodeBlockHash_) (*dictionary)["codeBlockHash"] = *b64CodeBlockHash_;
  return internal::withExactCount(std::move(*dictionary), 4);
}

uint32_t CodeBlockHashArtifact::getHashCode() const {
  return 59u * static_cast<uint32_t>(hashFor(b64CodeBlockHash_)) + static_cast<uint32_t>(hashFor(codeBlockId_)) +
         4041441u;
}

}  // namespace qor
