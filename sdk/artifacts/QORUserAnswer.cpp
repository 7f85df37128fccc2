#include "sdk/artifacts/QORUserAnswer.h"

#include "sdk/artifacts/internal/RecordDictionary.h"

namespace qor {

std::shared_ptr<QORUserAnswer> QORUserAnswer::create(std::optional<int64_t> type, std::optional<std::string> valueB64) {
  return std::make_shared<QORUserAnswer>(type, std::move(valueB64));
}

QORUserAnswer::QORUserAnswer(std::optional<int64_t> type, std::optional<std::string> valueB64)
    : QORSessionArtifact(type), value_(std::move(valueB64)) {}

std::optional<platform::Json> QORUserAnswer::requestDictionary() const {
  auto dictionary = internal::recordDictionary(*this, "UserAnswer");
  if (value_) (*dictionary)[dictionaryKeyArtifactsValue] = *value_;
  return internal::withExactCount(std::move(*dictionary), 3);
}

}  // namespace qor
