// One finding of the device-integrity check, as the commit carries it:
// {"type": 320-323, "className": "IntegrityArtifact", "finding": text, "detail": text}.
// Hash: 59 * hashFor(finding) + hashFor(detail) + (59 + type) * 59 * 59, wrapping, in the manner of
// the code-block records. Immutable; any thread.
#pragma once

#include <cstdint>
#include <memory>

#include "common/artifacts/QORSessionArtifact.h"
#include "sdk/integrity/QORDeviceIntegrity.h"

namespace qor {

class QORIntegrityArtifact : public QORSessionArtifact {
 public:
  static constexpr int64_t kTypeDebuggerAttached = 320;
  static constexpr int64_t kTypeInjectedLibrary = 321;
  static constexpr int64_t kTypeRunningAsRoot = 322;
  static constexpr int64_t kTypeDeviceCompromised = 323;

  static std::shared_ptr<QORIntegrityArtifact> create(QORIntegrityFinding finding);

  explicit QORIntegrityArtifact(QORIntegrityFinding finding);

  const QORIntegrityFinding& finding() const { return finding_; }

  std::optional<platform::Json> requestDictionary() const override;
  uint32_t getHashCode() const override;

 private:
  QORIntegrityFinding finding_;
};

}  // namespace qor
