// A tenant body: {"nonceQOR", "appExternalId", "tenantId"} with the identifier as its decimal text. The external
// identifier is read from storage when the dictionary is made. Made for one request.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "common/request/QORBaseRequestData.h"

namespace qor {

class QORUnlinkTenantRequestData : public QORBaseRequestData {
 public:
  // initWithNonce:tenantId:
  static std::shared_ptr<QORUnlinkTenantRequestData> create(platform::OptBytes nonce, std::optional<int64_t> tenantId);

  const std::optional<int64_t>& tenantId() const { return tenantId_; }

  // nullopt unless all three members are there.
  std::optional<platform::Json> requestDictionary() const override;

 protected:
  QORUnlinkTenantRequestData(platform::OptBytes nonce, std::optional<int64_t> tenantId)
      : QORBaseRequestData(std::move(nonce)), tenantId_(std::move(tenantId)) {}

 private:
  std::optional<int64_t> tenantId_;
};

}  // namespace qor
