// Building blocks of the authorization bodies: each starts from the base body's members, adds its
// own (a nil value adds nothing) and is kept only when it holds exactly its count.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "common/crypto/QORCryptUtilsB64.h"
#include "common/crypto/QORSecretKey.h"
#include "common/request/QORBaseRequestData.h"
#include "sdk/artifacts/QORArtifactList.h"
#include "sdk/internal/ExactCount.h"

namespace qor::internal {

inline platform::Json baseBodyMembers(const QORBaseRequestData& body) {
  return body.QORBaseRequestData::requestDictionary().value_or(platform::Json::object());
}

inline void putKeyBytes(platform::Json& dictionary, const char* name, const std::shared_ptr<QORSecretKey>& key) {
  if (!key) return;
  if (auto text = QORCryptUtilsB64::encodeDataToString(key->data())) dictionary[name] = *text;
}

inline void putArtifacts(platform::Json& dictionary, const std::vector<std::shared_ptr<QORSessionArtifact>>& records) {
  if (auto list = artifactDictionaries(records)) dictionary["artifacts"] = std::move(*list);
}

}  // namespace qor::internal
