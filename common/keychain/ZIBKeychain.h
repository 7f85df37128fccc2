// The keychain wrapper's facade: one ZIBKeychainQuery per call, and the process-wide accessibility
// value that every save applies (none at first; QORSecureStorage sets it on its first use).
//
// Thread-safe. The overloads without an error parameter ask for none.
#pragma once

#include <optional>
#include <string>

#include "common/keychain/ZIBKeychainKeys.h"
#include "common/keychain/ZIBKeychainQuery.h"

namespace qor {

class ZIBKeychain {
 public:
  using OptString = std::optional<std::string>;
  using ErrorOut = std::optional<platform::Error>*;

  static OptString passwordForService(const OptString& service, const OptString& account, ErrorOut error = nullptr);
  static platform::OptBytes passwordDataForService(const OptString& service, const OptString& account,
                                                   ErrorOut error = nullptr);
  static bool setPassword(const OptString& password, const OptString& service, const OptString& account,
                          ErrorOut error = nullptr);
  static bool setPasswordData(const platform::OptBytes& password, const OptString& service, const OptString& account,
                              ErrorOut error = nullptr);
  static bool deletePasswordForService(const OptString& service, const OptString& account, ErrorOut error = nullptr);
  // Attribute dictionaries (see ZIBKeychainQuery::fetchAll) of every item, or of one service's.
  static std::optional<platform::Json> allAccounts(ErrorOut error = nullptr);
  static std::optional<platform::Json> accountsForService(const OptString& service, ErrorOut error = nullptr);

  static OptString accessibilityType();
  static void setAccessibilityType(OptString accessibility);
};

}  // namespace qor
