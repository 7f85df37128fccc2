// The record of the calls made for a code block: its identifier and an empty list of calls.
// Immutable once made.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/artifacts/QORSessionArtifact.h"

namespace qor {

class QORCodeBlockCallsArtifact : public QORSessionArtifact {
 public:
  static constexpr int64_t kType = 1104;

  // initWithCodeBlock: the raw "actionCodeBlock" object; a missing "id" leaves the record without
  // a dictionary.
  static std::shared_ptr<QORCodeBlockCallsArtifact> create(const std::optional<platform::Json>& codeBlock);

  explicit QORCodeBlockCallsArtifact(std::optional<std::string> codeBlockId);

  const std::optional<std::string>& codeBlockId() const { return codeBlockId_; }

  // {"type", "className": "CallArtifact", "codeBlockId", "calls": []}; nullopt unless all four.
  std::optional<platform::Json> requestDictionary() const override;
  // 59 * h(codeBlockId) + 4048404, wrapping.
  uint32_t getHashCode() const override;

 private:
  std::optional<std::string> codeBlockId_;
};

}  // namespace qor
