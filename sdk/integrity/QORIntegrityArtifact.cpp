#include "sdk/integrity/QORIntegrityArtifact.h"

#include "sdk/artifacts/internal/RecordDictionary.h"

namespace qor {

std::shared_ptr<QORIntegrityArtifact> QORIntegrityArtifact::create(QORIntegrityFinding finding) {
  return std::make_shared<QORIntegrityArtifact>(std::move(finding));
}

QORIntegrityArtifact::QORIntegrityArtifact(QORIntegrityFinding finding)
    : QORSessionArtifact(finding.type), finding_(std::move(finding)) {}

std::optional<platform::Json> QORIntegrityArtifact::requestDictionary() const {
  auto dictionary = internal::recordDictionary(*this, "IntegrityArtifact");
  (*dictionary)["finding"] = finding_.finding;
  (*dictionary)["detail"] = finding_.detail;
  return dictionary;
}

uint32_t QORIntegrityArtifact::getHashCode() const {
  const auto type = static_cast<uint32_t>(finding_.type);
  return 59u * static_cast<uint32_t>(hashFor(finding_.finding)) + static_cast<uint32_t>(hashFor(finding_.detail)) +
         (59u + type) * 59u * 59u;
}

}  // namespace qor
