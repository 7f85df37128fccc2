// The device-information report (type 109): one request carrying the device-information record,
// always over HTTPS.
//
// Built and sent on the queue on which the platform delivers the notification settings, to which it
// is bound on first use (checked in Debug builds); its answer hands it over to the main queue. Holds its delegate weakly; reads no data source (its body makes its own
// nonce).
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "common/actions/QORBaseClientAction.h"

namespace qor {

class QORDeviceInfoAction : public QORBaseClientAction {
 public:
  using Records = std::vector<std::shared_ptr<QORSessionArtifact>>;

  // initWithArtifacts:
  static std::shared_ptr<QORDeviceInfoAction> create(std::optional<Records> artifacts);

  std::optional<int64_t> actionType() const override;
  std::optional<std::string> urlPath() const override;
  std::shared_ptr<QORBaseRequestHeader> createRequestHeader() override;
  std::shared_ptr<QORBaseRequestData> createRequestData() override;
  Records artifacts() override { return artifacts_.value_or(Records{}); }

 protected:
  explicit QORDeviceInfoAction(std::optional<Records> artifacts)
      : QORBaseClientAction(BoundOnFirstUse{}), artifacts_(std::move(artifacts)) {}

 private:
  const std::optional<Records> artifacts_;
};

}  // namespace qor
