// The prepare-authorization answer's code block: the transaction the user is asked to approve.
// Immutable once made.
//
// Without a body every field is nil and `pinCodeLength` 0; with one, `guiData` always holds
// "argGuiHeader" and "argGuiText" (the empty text when absent) and `paymentData` exactly the three
// payment members (the empty text when absent or not text).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "sdk/codeblocks/ActionCodeBlock.h"

namespace qor {

class PrepareAuthActionCodeBlock : public ActionCodeBlock {
 public:
  static std::shared_ptr<PrepareAuthActionCodeBlock> create(const std::optional<platform::Json>& dictionary);

  // "chainType": one of the chain types, or anything else.
  const std::optional<std::string>& chainType() const { return chainType_; }
  // The rewritten "argGuiData" object (empty when the body has none) with header and text added.
  const std::optional<platform::Json>& guiData() const { return guiData_; }
  // The whole body after the GUI-data rewrite.
  const std::optional<platform::Json>& flutterGuiData() const { return flutterGuiData_; }
  // {"argAmount", "argCreditorAccount", "argCreditorBank"}.
  const std::optional<platform::Json>& paymentData() const { return paymentData_; }
  // "pinCodeLength"; 4 when the body has none.
  int32_t pinCodeLength() const { return pinCodeLength_; }

 protected:
  PrepareAuthActionCodeBlock() = default;
  void initBody(const std::optional<platform::Json>& body) override;

  void setupGuiDataWithDictionary(const platform::Json& body);
  void setupPaymentDataWithDictionary(const platform::Json& body);

 private:
  friend class ActionCodeBlock;

  std::optional<std::string> chainType_;
  std::optional<platform::Json> guiData_;
  std::optional<platform::Json> flutterGuiData_;
  std::optional<platform::Json> paymentData_;
  int32_t pinCodeLength_ = 0;
};

}  // namespace qor
