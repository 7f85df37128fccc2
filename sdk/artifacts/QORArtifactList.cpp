#include "sdk/artifacts/QORArtifactList.h"

namespace qor {

std::optional<platform::Json> artifactDictionaries(const std::vector<std::shared_ptr<QORSessionArtifact>>& records) {
  platform::Json list = platform::Json::array();
  for (const auto& record : records) {
    auto dictionary = record ? record->requestDictionary() : std::nullopt;
    if (!dictionary) return std::nullopt;
    list.push_back(std::move(*dictionary));
  }
  return list;
}

}  // namespace qor
