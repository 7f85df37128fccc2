// The finding that an alert covered the authorization screens while the transaction was shown.
// It has no fields, so its hash is fixed. Made by the presenters on the main queue; immutable.
#pragma once

#include <cstdint>
#include <memory>

#include "common/artifacts/QORSessionArtifact.h"

namespace qor {

class QOROverlayAlertWindowArtifact : public QORSessionArtifact {
 public:
  static constexpr int64_t kType = 310;

  static std::shared_ptr<QOROverlayAlertWindowArtifact> create();

  QOROverlayAlertWindowArtifact();

  // {"type": 310, "className": "SessionArtifact"}
  std::optional<platform::Json> requestDictionary() const override;
  // 369, whatever the state.
  uint32_t getHashCode() const override { return 369; }
};

}  // namespace qor
