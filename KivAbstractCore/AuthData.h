// The screen description inside a TransactionRequest: the screen dictionary as one JSON text and
// whether the module shows its fallback screen. Its fields are set only at creation and read only by
// `encode`.
//
// Like every contract type it holds no lock; the system makes it on the main queue and hands it over
// at once.
#pragma once

#include <memory>
#include <string>

#include "KivAbstractCore/KivAbstractCoreExport.h"
#include "platform/Error.h"
#include "platform/Json.h"

namespace qor {

class KIV_EXPORT AuthData {
 public:
  // An empty screen text, no fallback screen.
  static std::shared_ptr<AuthData> create();
  static std::shared_ptr<AuthData> create(std::string uiJsonProperties, bool useFallbackScreen);
  // Null, with the first failure in *error, unless `from` is an object with both members in their
  // JSON types; other members are ignored.
  static std::shared_ptr<AuthData> createFrom(const platform::Json& from, platform::Error* error = nullptr);

  // Writes "uiJsonProperties" (a string) and "useFallbackScreen" (a boolean) into `to` (made an
  // object first when it is not one).
  void encode(platform::Json& to) const;

 private:
  AuthData(std::string uiJsonProperties, bool useFallbackScreen)
      : uiJsonProperties_(std::move(uiJsonProperties)), useFallbackScreen_(useFallbackScreen) {}

  friend class TransactionRequest;  // decodes its "data" member in place
  static std::shared_ptr<AuthData> decode(const platform::Json& from, const std::string& path,
                                          platform::Error* error);

  std::string uiJsonProperties_;
  bool useFallbackScreen_;
};

}  // namespace qor
