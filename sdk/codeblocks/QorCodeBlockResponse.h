// An answer whose opened body carries a code block under "actionCodeBlock". The body is kept (as
// the base keeps it) and the code block parsed from it when the action accepts the answer. The base
// parses none; `QorCodeBlockResponseWith<Block>` is the base of the answers that carry one.
// Used on the queue of the action that received it.
#pragma once

#include <memory>
#include <optional>

#include "common/request/QORBaseResponse.h"
#include "sdk/codeblocks/ActionCodeBlock.h"

namespace qor {

class QorCodeBlockResponse : public QORBaseResponse {
 public:
  static std::shared_ptr<QorCodeBlockResponse> create();

  // Keeps the body, then parses its "actionCodeBlock" (nullopt when absent or not an object).
  void setDecryptedBody(std::optional<platform::Json> body) override;
  // The parsed code block; nullptr in this class and before a body was set.
  virtual std::shared_ptr<ActionCodeBlock> getCodeBlock() const { return nullptr; }
  virtual void initCodeBlock(const std::optional<platform::Json>&) {}

 protected:
  QorCodeBlockResponse() = default;
};

template <class Block>
class QorCodeBlockResponseWith : public QorCodeBlockResponse {
 public:
  const std::shared_ptr<Block>& codeBlock() const { return codeBlock_; }
  std::shared_ptr<ActionCodeBlock> getCodeBlock() const override { return codeBlock_; }
  void initCodeBlock(const std::optional<platform::Json>& dictionary) override { codeBlock_ = Block::create(dictionary); }

 protected:
  QorCodeBlockResponseWith() = default;

 private:
  std::shared_ptr<Block> codeBlock_;
};

}  // namespace qor
