#include "sdk/authorization/QORWakeUpRequestData.h"

#include "sdk/authorization/internal/BodyMembers.h"

namespace qor {

std::shared_ptr<QORWakeUpRequestData> QORWakeUpRequestData::create(platform::OptBytes nonce,
                                                                   std::optional<int64_t> sessionId, Records artifacts) {
  return std::shared_ptr<QORWakeUpRequestData>(new QORWakeUpRequestData(std::move(nonce), sessionId, std::move(artifacts)));
}

QORWakeUpRequestData::QORWakeUpRequestData(platform::OptBytes nonce, std::optional<int64_t> sessionId, Records artifacts)
    : QORBaseRequestData(std::move(nonce)), sessionId_(sessionId), artifacts_(std::move(artifacts)) {}

std::optional<platform::Json> QORWakeUpRequestData::requestDictionary() const {
  platform::Json dictionary = internal::baseBodyMembers(*this);
  if (sessionId_) dictionary["sessionId"] = *sessionId_;
  internal::putArtifacts(dictionary, artifacts_);
  return internal::withExactCount(std::move(dictionary), 3);
}

}  // namespace qor
