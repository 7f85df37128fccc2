// A tenant body: {"nonceQOR", "appExternalId", "tenantId"} with the identifier as a JSON number. The external
// identifier is read from storage when the dictionary is made. Made for one request.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "common/request/QORBaseRequestData.h"

namespace qor {

class QORUpdateTenantRequestData : public QORBaseRequestData {
 public:
  // initWithNonce:tenantId:
  static std::shared_ptr<QORUpdateTenantRequestData> create(platform::OptBytes nonce, std::optional<int64_t> tenantId);

  const std::optional<int64_t>& tenantId() const { return tenantId_; }

  // nullopt unless all three members are there.
  std::optional<platform::Json> requestDictionary() const override;

 protected:
  QORUpdateTenantRequestData(platform::OptBytes nonce, std::optional<int64_t> tenantId)
      : QORBaseRequestData(std::move(nonce)), tenantId_(std::move(tenantId)) {}

 private:
  std::optional<int64_t> tenantId_;
};

}  // namespace qor
