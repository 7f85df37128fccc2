// A tenant body: {"nonceQOR", "appExternalId", "linkingCode"} with the linking code as text. The external
// identifier is read from storage when the dictionary is made. Made for one request.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/request/QORBaseRequestData.h"

namespace qor {

class QORLinkTenantRequestData : public QORBaseRequestData {
 public:
  // initWithNonce:linkingCode:
  static std::shared_ptr<QORLinkTenantRequestData> create(platform::OptBytes nonce,
                                                          std::optional<std::string> linkingCode);

  const std::optional<std::string>& linkingCode() const { return linkingCode_; }

  // nullopt unless all three members are there.
  std::optional<platform::Json> requestDictionary() const override;

 protected:
  QORLinkTenantRequestData(platform::OptBytes nonce, std::optional<std::string> linkingCode)
      : QORBaseRequestData(std::move(nonce)), linkingCode_(std::move(linkingCode)) {}

 private:
  std::optional<std::string> linkingCode_;
};

}  // namespace qor
