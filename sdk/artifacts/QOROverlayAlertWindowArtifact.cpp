#include "sdk/artifacts/QOROverlayAlertWindowArtifact.h"

#include "sdk/artifacts/internal/RecordDictionary.h"

namespace qor {

std::shared_ptr<QOROverlayAlertWindowArtifact> QOROverlayAlertWindowArtifact::create() { return std::make_shared<QOROverlayAlertWindowArtifact>(); }

QOROverlayAlertWindowArtifact::QOROverlayAlertWindowArtifact() : QORSessionArtifact(kType) {}

std::optional<platform::Json> QOROverlayAlertWindowArtifact::requestDictionary() const {
  return internal::recordDictionary(*this, dictionaryValueArtifactsSession);
}

}  // namespace qor
