// The prepare-enrollment answer's code block: the server's answer key, the initial storage public
// key and the screenshot flag. Immutable once made.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "sdk/codeblocks/ActionCodeBlock.h"

namespace qor {

class EnrollmentActionCodeBlock : public ActionCodeBlock {
 public:
  static std::shared_ptr<EnrollmentActionCodeBlock> create(const std::optional<platform::Json>& dictionary);

  // Base64 of the server's answer key (an RSA public key, SubjectPublicKeyInfo DER).
  const std::optional<std::string>& pubSPS() const { return pubSPS_; }
  // Base64 of the initial storage public key (SubjectPublicKeyInfo DER).
  const std::optional<std::string>& pubStorageInitial() const { return pubStorageInitial_; }
  // True exactly when "screenshotEnabled" is the text "true" (case-sensitive).
  bool screenshotEnabled() const { return screenshotEnabled_; }

 protected:
  EnrollmentActionCodeBlock() = default;
  void initBody(const std::optional<platform::Json>& body) override;

 private:
  friend class ActionCodeBlock;

  std::optional<std::string> pubSPS_;
  std::optional<std::string> pubStorageInitial_;
  bool screenshotEnabled_ = false;
};

}  // namespace qor
