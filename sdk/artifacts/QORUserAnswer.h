// The user's answer to a transaction, as the commit carries it: the answer type (401-414) and the
// Base64 text of the sealed or plain value. Made by QORUserAnswerFactory; immutable.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/artifacts/QORSessionArtifact.h"

namespace qor {

class QORUserAnswer : public QORSessionArtifact {
 public:
  // initWithType:valueB64:
  static std::shared_ptr<QORUserAnswer> create(std::optional<int64_t> type, std::optional<std::string> valueB64);

  QORUserAnswer(std::optional<int64_t> type, std::optional<std::string> valueB64);

  // Nil when the value could not be sealed: the record then has no dictionary.
  const std::optional<std::string>& value() const { return value_; }

  // {"type", "className": "UserAnswer", "value"}; nullopt unless all three.
  std::optional<platform::Json> requestDictionary() const override;
  // The base's 0.

 private:
  std::optional<std::string> value_;
};

}  // namespace qor
