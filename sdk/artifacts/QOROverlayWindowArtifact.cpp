#include "sdk/artifacts/QOROverlayWindowArtifact.h"

#include "sdk/artifacts/internal/RecordDictionary.h"

namespace qor {

std::shared_ptr<QOROverlayWindowArtifact> QOROverlayWindowArtifact::create() { return std::make_shared<QOROverlayWindowArtifact>(); }

QOROverlayWindowArtifact::QOROverlayWindowArtifact() : QORSessionArtifact(kType) {}

std::optional<platform::Json> QOROverlayWindowArtifact::requestDictionary() const {
  return internal::recordDictionary(*this, dictionaryValueArtifactsSession);
}

}  // namespace qor
