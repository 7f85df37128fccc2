// The parcel of `buildUIWithParcel`: the authorization type that picks the screen and the screen's
// AuthData, which it owns (the object given, not a copy). Fields are set only at creation and read
// only by `encode`.
//
// Holds no lock; the system makes it on the main queue and hands it over at once.
#pragma once

#include <cstdint>
#include <memory>

#include "KivAbstractCore/AuthData.h"
#include "KivAbstractCore/KivAbstractCoreExport.h"
#include "KivAbstractCore/Parcel.h"
#include "platform/Error.h"
#include "platform/Json.h"

namespace qor {

class KIV_EXPORT TransactionRequest final : public Parcel {
 public:
  // Type 0 with a default AuthData.
  static std::shared_ptr<TransactionRequest> create();
  // A null `data` is taken as a default AuthData, so that the request always encodes.
  static std::shared_ptr<TransactionRequest> create(int64_t authType, std::shared_ptr<AuthData> data);
  // Null, with the first failure in *error, unless `from` has an integral "authType" within 64 bits
  // and a "data" object that AuthData decodes; other members are ignored.
  static std::shared_ptr<TransactionRequest> createFrom(const platform::Json& from,
                                                        platform::Error* error = nullptr);

  // {"authType": integer, "data": {"uiJsonProperties": string, "useFallbackScreen": boolean}}
  std::string pack() const override;
  // Writes "authType" and "data" into `to` (made an object first when it is not one).
  void encode(platform::Json& to) const;

 private:
  TransactionRequest(int64_t authType, std::shared_ptr<AuthData> data)
      : authType_(authType), data_(std::move(data)) {}

  int64_t authType_;
  std::shared_ptr<AuthData> data_;
};

}  // namespace qor
