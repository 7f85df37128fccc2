// The plain body of a request: the run's nonce, serialised to JSON and sealed with AES-GCM by
// QORBaseRequest. Subclasses start from the base dictionary and add their members. Made for one
// request; used from one queue at a time.
#pragma once

#include <memory>
#include <optional>

#include "common/QORCommonExport.h"
#include "platform/Bytes.h"
#include "platform/Json.h"

namespace qor {

class QOR_COMMON_EXPORT QORBaseRequestData {
 public:
  // initWithNonce:
  static std::shared_ptr<QORBaseRequestData> create(platform::OptBytes nonce);
  virtual ~QORBaseRequestData() = default;

  const platform::OptBytes& nonce() const { return nonce_; }
  void setNonce(platform::OptBytes nonce) { nonce_ = std::move(nonce); }

  // {"nonceQOR"}, or nullopt without a nonce.
  virtual std::optional<platform::Json> requestDictionary() const;

 protected:
  explicit QORBaseRequestData(platform::OptBytes nonce) : nonce_(std::move(nonce)) {}

 private:
  platform::OptBytes nonce_;
};

}  // namespace qor
