// The device-information body: a nonce of its own (16 random bytes, not the controller's) and the
// records. Made for one request.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "common/artifacts/QORSessionArtifact.h"
#include "common/request/QORBaseRequestData.h"

namespace qor {

class QORDeviceInfoRequestData : public QORBaseRequestData {
 public:
  using Records = std::vector<std::shared_ptr<QORSessionArtifact>>;

  // initWithArtifacts:
  static std::shared_ptr<QORDeviceInfoRequestData> create(std::optional<Records> artifacts);

  const std::optional<Records>& artifacts() const { return artifacts_; }

  // {"nonceQOR"} plus "artifacts" when a list is set; no member count check. A record without a
  // dictionary gives nullopt, so the report never goes out without a record it was given.
  std::optional<platform::Json> requestDictionary() const override;

 protected:
  explicit QORDeviceInfoRequestData(std::optional<Records> artifacts);

 private:
  std::optional<Records> artifacts_;
};

}  // namespace qor
