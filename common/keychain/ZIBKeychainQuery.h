// One query of the keychain wrapper: saves, fetches, deletes and lists generic-password items of
// the process keychain (platform::Keychain::shared()). Short-lived: ZIBKeychain makes one per call.
//
// A plain value; one query must not be used from two threads at once. Failures are a false or
// nullopt result, and an error in `*error` when the caller passes one; nothing throws.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/Json.h"
#include "platform/keychain/Keychain.h"

namespace qor {

// Which items a query addresses by their synchronizable flag.
enum class ZIBKeychainQuerySynchronizationMode : unsigned { Any = 0, No = 1, Yes = 2 };

class ZIBKeychainQuery {
 public:
  const std::optional<std::string>& account() const { return account_; }
  void setAccount(std::optional<std::string> v) { account_ = std::move(v); }
  const std::optional<std::string>& service() const { return service_; }
  void setService(std::optional<std::string> v) { service_ = std::move(v); }
  // Stored as the item's label when the item is added; an update leaves the label alone.
  const std::optional<std::string>& label() const { return label_; }
  void setLabel(std::optional<std::string> v) { label_ = std::move(v); }
  const platform::OptBytes& passwordData() const { return passwordData_; }
  void setPasswordData(platform::OptBytes v) { passwordData_ = std::move(v); }
  // Kept, but never placed into a query.
  const std::optional<std::string>& accessGroup() const { return accessGroup_; }
  void setAccessGroup(std::optional<std::string> v) { accessGroup_ = std::move(v); }
  ZIBKeychainQuerySynchronizationMode synchronizationMode() const { return synchronizationMode_; }
  void setSynchronizationMode(ZIBKeychainQuerySynchronizationMode v) { synchronizationMode_ = v; }

  // The UTF-8 text of passwordData; nullopt when it is missing, empty or not UTF-8.
  std::optional<std::string> password() const { return passwordFromData(passwordData_); }
  // The same reading of bytes that are not in a query.
  static std::optional<std::string> passwordFromData(const platform::OptBytes& data);
  static std::optional<std::string> passwordFromBytes(std::span<const uint8_t> data);
  void setPassword(const std::optional<std::string>& password);
  // The JSON value that passwordData holds as text; nullopt when it is missing, empty or not JSON.
  // Setting a value that cannot be written (invalid UTF-8) leaves passwordData missing.
  std::optional<platform::Json> passwordObject() const;
  void setPasswordObject(const std::optional<platform::Json>& object);

  // The items this query addresses: its service and account when set, and its synchronization mode.
  platform::KeychainQuery query() const;

  // Adds the item, or replaces the secret (and accessibility) of the existing one.
  bool save(std::optional<platform::Error>* error = nullptr);
  // On success passwordData holds the item's secret.
  bool fetch(std::optional<platform::Error>* error = nullptr);
  bool deleteItem(std::optional<platform::Error>* error = nullptr);
  // A JSON array of the attribute dictionaries of every matching item (keys of ZIBKeychainKeys.h,
  // "pdmn" for the accessibility, "sync" for the flag; dates in seconds since 1970), or nullopt.
  std::optional<platform::Json> fetchAll(std::optional<platform::Error>* error = nullptr);

  static bool isSynchronizationAvailable() { return true; }
  // nullopt for 0; otherwise an error of kZIBKeychainErrorDomain with the status as its code and the
  // status's text as its description.
  static std::optional<platform::Error> errorWithCode(platform::OSStatus status);

 private:
  std::optional<std::string> account_;
  std::optional<std::string> service_;
  std::optional<std::string> label_;
  platform::OptBytes passwordData_;
  std::optional<std::string> accessGroup_;
  ZIBKeychainQuerySynchronizationMode synchronizationMode_ = ZIBKeychainQuerySynchronizationMode::Any;
};

}  // namespace qor
