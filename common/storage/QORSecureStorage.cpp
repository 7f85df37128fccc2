#include "common/storage/QORSecureStorage.h"

#include <mutex>

#include "common/keychain/ZIBKeychain.h"
#include "platform/keychain/Keychain.h"

namespace qor {

const char* const kQORSecureStorageHost = "host";
const char* const kQORSecureStorageWebSocketHost = "webSocketHost";
const char* const kQORSecureStoragePubVtnBase64 = "pubVtnBase64";
const char* const kQORSecureStorageInstallationId = "installationId";
const char* const kQORSecureStorageEnrollmentId = "enrollmentId";
const char* const kQORSecureStorageExternalId = "externalId";
const char* const kQORSecureStorageSkVTN = "skVTN";
const char* const kQORSecureStorageAppPNS = "appPNS";
const char* const kQORSecureStoragePublicQorBase64 = "publicQor";
const char* const kQORSecureStoragePrivateQorBase64 = "privateQor";
const char* const kQORSecureStorageSensitiveDataEncrypted = "sensitiveDataEncrypted";
const char* const kQORSecureStorageSkSessionEncrypted = "skSessionEncrypted";
const char* const kQORSecureStorageSensitiveDataEncryptedKept = "sensitiveDataEncryptedKept";
const char* const kQORSecureStorageSkSessionEncryptedKept = "skSessionEncryptedKept";
const char* const kQORSecureStorageDeviceId = "deviceId";
const char* const kQORSecureStorageRsaUtilityPrivate = "utilityPrivateKey";
const char* const kQORSecureStorageHttpHeaders = "httpHeaders";

namespace {

// The first use of the store in the process fixes the accessibility of what it writes.
void initializeOnce() {
  static std::once_flag once;
  std::call_once(once,
                 [] { ZIBKeychain::setAccessibilityType(platform::kSecAttrAccessibleWhenUnlockedThisDeviceOnly); });
}

// The keychain query the wrapper makes for one key.
platform::KeychainQuery queryFor(const std::string& key) {
  ZIBKeychainQuery query;
  query.setService(key);
  query.setAccount(key);
  return query.query();
}

}  // namespace

std::optional<std::string> QORSecureStorage::stringForKey(const std::string& key) {
  initializeOnce();
  return ZIBKeychain::passwordForService(key, key);
}

bool QORSecureStorage::setString(const std::optional<std::string>& value, const std::string& key) {
  initializeOnce();
  if (!value) return deleteDataForKey(key);
  return ZIBKeychain::setPassword(value, key, key);
}

platform::OptBytes QORSecureStorage::dataForKey(const std::string& key) {
  initializeOnce();
  return ZIBKeychain::passwordDataForService(key, key);
}

std::vector<platform::OptBytes> QORSecureStorage::dataForKeys(const std::vector<std::string>& keys) {
  std::vector<platform::OptBytes> values(keys.size());
  readForKeys(keys, [&](size_t index, std::optional<std::span<const uint8_t>> data) {
    if (data) values[index].emplace(data->begin(), data->end());
  });
  return values;
}

void QORSecureStorage::readForKeys(const std::vector<std::string>& keys, const DataReader& take) {
  initializeOnce();
  // As with a batch write, the batch goes to the keychain itself, with the queries the wrapper
  // makes for one key.
  std::vector<platform::KeychainQuery> queries;
  queries.reserve(keys.size());
  for (const auto& key : keys) queries.push_back(queryFor(key));
  platform::Keychain::shared()->readDataAll(
      queries, [&](size_t index, platform::OSStatus status, std::span<const uint8_t> data) {
        take(index, status == platform::errSecSuccess ? std::optional(data) : std::nullopt);
      });
}

std::optional<std::string> QORSecureStorage::stringFromData(const platform::OptBytes& data) {
  return ZIBKeychainQuery::passwordFromData(data);
}

std::optional<std::string> QORSecureStorage::stringFromBytes(std::optional<std::span<const uint8_t>> data) {
  return data ? ZIBKeychainQuery::passwordFromBytes(*data) : std::nullopt;
}

bool QORSecureStorage::setData(const platform::OptBytes& value, const std::string& key) {
  initializeOnce();
  if (!value) return deleteDataForKey(key);
  return ZIBKeychain::setPasswordData(value, key, key);
}

bool QORSecureStorage::setDataItems(const std::vector<std::pair<std::string, platform::OptBytes>>& items) {
  initializeOnce();
  // The wrapper changes one item per call, so the batch goes to the keychain itself, with the items
  // as the wrapper writes them (service and account the key, not synchronizable, no label) and the
  // deletions as its queries for one key.
  std::vector<platform::KeychainItem> saves;
  std::vector<platform::KeychainQuery> removals;
  for (const auto& [key, value] : items) {
    if (value) {
      saves.push_back({key, key, false, std::nullopt, ZIBKeychain::accessibilityType(), *value});
    } else {
      removals.push_back(queryFor(key));
    }
  }
  return platform::Keychain::shared()->saveAll(saves, removals) == platform::errSecSuccess;
}

bool QORSecureStorage::deleteDataForKey(const std::string& key) {
  initializeOnce();
  // The error is asked for only to tell "already gone" apart from a failure.
  std::optional<platform::Error> error;
  return ZIBKeychain::deletePasswordForService(key, key, &error) ||
         (error && error->code == platform::errSecItemNotFound);
}

bool QORSecureStorage::reset() {
  const char* const forgotten[] = {kQORSecureStorageHost,
                                   kQORSecureStorageWebSocketHost,
                                   kQORSecureStoragePubVtnBase64,
                                   kQORSecureStorageInstallationId,
                                   kQORSecureStorageEnrollmentId,
                                   kQORSecureStorageSkVTN,
                                   kQORSecureStorageAppPNS,
                                   kQORSecureStoragePublicQorBase64,
                                   kQORSecureStoragePrivateQorBase64,
                                   kQORSecureStorageRsaUtilityPrivate};
  bool allGone = true;
  for (const char* key : forgotten) allGone = deleteDataForKey(key) && allGone;
  return allGone;
}

}  // namespace qor
