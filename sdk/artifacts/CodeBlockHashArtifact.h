// The record of a code block the client received: its identifier and the Base64 of the SHA-256
// digest of its decoded body, exactly as received. Immutable once made.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/artifacts/QORSessionArtifact.h"

namespace qor {

class CodeBlockHashArtifact : public QORSessionArtifact {
 public:
  static constexpr int64_t kType = 1102;

  // initWithCodeBlock: the raw "actionCodeBlock" object of an answer. A missing or non-text "body"
  // hashes the empty input; a missing "id" leaves the record without a dictionary.
  static std::shared_ptr<CodeBlockHashArtifact> create(const std::optional<platform::Json>& codeBlock);
  // initWithType:b64CodeBlockHash:blockId:
  static std::shared_ptr<CodeBlockHashArtifact> create(std::optional<int64_t> type,
                                                       std::optional<std::string> b64CodeBlockHash,
                                                       std::optional<std::string> codeBlockId);

  CodeBlockHashArtifact(std::optional<int64_t> type, std::optional<std::string> b64CodeBlockHash,
                        std::optional<std::string> codeBlockId);

  const std::optional<std::string>& b64CodeBlockHash() const { return b64CodeBlockHash_; }
  const std::optional<std::string>& codeBlockId() const { return codeBlockId_; }

  // {"type", "className": "CodeBlockArtifact", "codeBlockId", "codeBlockHash"}; nullopt unless all four.
  std::optional<platform::Json> requestDictionary() const override;
  // 59 * h(codeBlockHash) + h(codeBlockId) + 4041441, wrapping.
  uint32_t getHashCode() const override;

 private:
  std::optional<std::string> b64CodeBlockHash_;
  std::optional<std::string> codeBlockId_;
};

}  // namespace qor
