// Everything the system keeps between runs: one keychain item per key, with the key as service and
// account, a text value as its UTF-8 bytes and a data value as is. Every item is saved with the
// when-unlocked, this-device-only accessibility, set once per process before the first access.
//
// The key constants name the stored items: they are part of the persisted format and never change.
//
// Thread-safe, no state of its own; every getter reads the keychain anew. The setters never report
// keychain errors to the callers that ignore their result; a C++ caller may check it: true when the
// store now holds what was asked (a delete of a missing item included).
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/QORCommonExport.h"
#include "platform/Bytes.h"

namespace qor {

extern const char* const kQORSecureStorageHost;                    // "host"
extern const char* const kQORSecureStorageWebSocketHost;           // "webSocketHost"
extern const char* const kQORSecureStoragePubVtnBase64;            // "pubVtnBase64"
extern const char* const kQORSecureStorageInstallationId;          // "installationId"
QOR_COMMON_EXPORT extern const char* const kQORSecureStorageEnrollmentId;            // "enrollmentId"
extern const char* const kQORSecureStorageExternalId;              // "externalId"
extern const char* const kQORSecureStorageSkVTN;                   // "skVTN"
extern const char* const kQORSecureStorageAppPNS;                  // "appPNS"
QOR_COMMON_EXPORT extern const char* const kQORSecureStoragePublicQorBase64;         // "publicQor"
QOR_COMMON_EXPORT extern const char* const kQORSecureStoragePrivateQorBase64;        // "privateQor"
extern const char* const kQORSecureStorageSensitiveDataEncrypted;  // "sensitiveDataEncrypted"
extern const char* const kQORSecureStorageSkSessionEncrypted;      // "skSessionEncrypted"
// The key store's kept pair: the sealing that opened at the last wake-up (SensitiveDataManager).
QOR_COMMON_EXPORT extern const char* const kQORSecureStorageSensitiveDataEncryptedKept;  // "sensitiveDataEncryptedKept"
QOR_COMMON_EXPORT extern const char* const kQORSecureStorageSkSessionEncryptedKept;      // "skSessionEncryptedKept"
QOR_COMMON_EXPORT extern const char* const kQORSecureStorageDeviceId;                // "deviceId"
QOR_COMMON_EXPORT extern const char* const kQORSecureStorageRsaUtilityPrivate;       // "utilityPrivateKey"
extern const char* const kQORSecureStorageHttpHeaders;             // "httpHeaders"

class QOR_COMMON_EXPORT QORSecureStorage {
 public:
  // nullopt when the item is missing, empty or not UTF-8.
  static std::optional<std::string> stringForKey(const std::string& key);
  // A value saves it; nullopt deletes the item.
  static bool setString(const std::optional<std::string>& value, const std::string& key);
  static platform::OptBytes dataForKey(const std::string& key);
  // What dataForKey gives for each key, in order, read in one keychain read: the values are of one
  // moment, and a keychain file is locked once for all of them rather than once per key.
  static std::vector<platform::OptBytes> dataForKeys(const std::vector<std::string>& keys);
  // The same read without copies: each key's value goes to `take` in order, nullopt where
  // dataForKey gives nullopt, else the bytes, valid only during the call. `take` runs under the
  // keychain's lock and must not use the keychain.
  using DataReader = std::function<void(size_t index, std::optional<std::span<const uint8_t>> data)>;
  static void readForKeys(const std::vector<std::string>& keys, const DataReader& take);
  // The text that stringForKey gives for stored data: nullopt when it is missing, empty or not UTF-8.
  static std::optional<std::string> stringFromData(const platform::OptBytes& data);
  static std::optional<std::string> stringFromBytes(std::optional<std::span<const uint8_t>> data);
  static bool setData(const platform::OptBytes& value, const std::string& key);
  // Saves several data values (key, value; nullopt deletes the item) in one keychain transaction:
  // every change is made, or none is and the result is false. Items that belong together are
  // written this way, so that a process killed in between never leaves a mix of old and new.
  static bool setDataItems(const std::vector<std::pair<std::string, platform::OptBytes>>& items);
  static bool deleteDataForKey(const std::string& key);
  // Forgets the enrollment: deletes host, webSocketHost, pubVtnBase64, installationId, enrollmentId,
  // skVTN, appPNS, publicQor, privateQor and utilityPrivateKey, in that order. The device and
  // external identifiers, the headers and the sealed key store (its kept pair included) stay. True
  // when all are gone.
  static bool reset();
};

}  // namespace qor
