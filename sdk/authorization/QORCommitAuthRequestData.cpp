#include "sdk/authorization/QORCommitAuthRequestData.h"

#include "sdk/authorization/internal/BodyMembers.h"

namespace qor {

std::shared_ptr<QORCommitAuthRequestData> QORCommitAuthRequestData::create(platform::OptBytes nonce, Records artifacts) {
  return std::shared_ptr<QORCommitAuthRequestData>(new QORCommitAuthRequestData(std::move(nonce), std::move(artifacts)));
}

QORCommitAuthRequestData::QORCommitAuthRequestData(platform::OptBytes nonce, Records artifacts)
    : QORBaseRequestData(std::move(nonce)), artifacts_(std::move(artifacts)) {}

std::optional<platform::Json> QORCommitAuthRequestData::requestDictionary() const {
  platform::Json dictionary = internal::baseBodyMembers(*this);
  internal::putArtifacts(dictionary, artifacts_);
  return internal::withExactCount(std::move(dictionary), 2);
}

}  // namespace qor
