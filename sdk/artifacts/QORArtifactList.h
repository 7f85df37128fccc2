// The "artifacts" member of a request body: the dictionary of each record, in list order.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "common/artifacts/QORSessionArtifact.h"
#include "platform/Json.h"

namespace qor {

// An array of each record's dictionary (empty for an empty list); nullopt when a record is missing
// or has no dictionary, so that a request never leaves out a record it was asked to carry (its body
// then has no dictionary and the request fails with status 0).
std::optional<platform::Json> artifactDictionaries(const std::vector<std::shared_ptr<QORSessionArtifact>>& records);

}  // namespace qor
