// The dictionary every record starts from: the base's {"type"} plus its "className".
#pragma once

#include <optional>

#include "common/artifacts/QORSessionArtifact.h"
#include "sdk/internal/ExactCount.h"

namespace qor::internal {

inline std::optional<platform::Json> recordDictionary(const QORSessionArtifact& record, const char* className) {
  auto dictionary = record.QORSessionArtifact::requestDictionary();
  if (!dictionary) dictionary = platform::Json::object();
  (*dictionary)[dictionaryKeyArtifactsClassName] = className;
  return dictionary;
}

}  // namespace qor::internal
