// The finding that another window covered the authorization screens while the transaction was
// shown. It has no fields, so its hash is fixed. Made by the presenters on the main queue; immutable.
#pragma once

#include <cstdint>
#include <memory>

#include "common/artifacts/QORSessionArtifact.h"

namespace qor {

class QOROverlayWindowArtifact : public QORSessionArtifact {
 public:
  static constexpr int64_t kType = 302;

  static std::shared_ptr<QOROverlayWindowArtifact> create();

  QOROverlayWindowArtifact();

  // {"type": 302, "className": "SessionArtifact"}
  std::optional<platform::Json> requestDictionary() const override;
  // 361, whatever the state.
  uint32_t getHashCode() const override { return 361; }
};

}  // namespace qor
