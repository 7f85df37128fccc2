#include "common/keychain/ZIBKeychainQuery.h"

#include "common/keychain/ZIBKeychain.h"
#include "common/keychain/internal/ZIBKeychainErrorTexts.h"
#include "platform/Utf16.h"

namespace qor {
namespace {

using platform::OSStatus;

bool finish(OSStatus status, std::optional<platform::Error>* error) {
  if (status == platform::errSecSuccess) return true;
  if (error) *error = ZIBKeychainQuery::errorWithCode(status);
  return false;
}

double secondsSince1970(platform::WallTime time) {
  return std::chrono::duration<double>(time.time_since_epoch()).count();
}

platform::Json attributeDictionary(const platform::KeychainAttributes& a) {
  platform::Json d = {{kZIBKeychainWhereKey, a.service},
                      {kZIBKeychainAccountKey, a.account},
                      {"sync", a.synchronizable},
                      {kZIBKeychainCreatedAtKey, secondsSince1970(a.creationDate)},
                      {kZIBKeychainLastModifiedKey, secondsSince1970(a.modificationDate)}};
  if (a.label) d[kZIBKeychainLabelKey] = *a.label;
  if (a.accessibility) d["pdmn"] = *a.accessibility;
  return d;
}

}  // namespace

std::optional<std::string> ZIBKeychainQuery::passwordFromData(const platform::OptBytes& data) {
  if (!data) return std::nullopt;
  return passwordFromBytes(*data);
}

std::optional<std::string> ZIBKeychainQuery::passwordFromBytes(std::span<const uint8_t> data) {
  if (data.empty()) return std::nullopt;
  std::string text = platform::stringFromBytes(data);
  if (!platform::isValidUtf8(text)) return std::nullopt;
  return text;
}

void ZIBKeychainQuery::setPassword(const std::optional<std::string>& password) {
  passwordData_ = password ? platform::OptBytes(platform::bytesFromString(*password)) : std::nullopt;
}

std::optional<platform::Json> ZIBKeychainQuery::passwordObject() const {
  if (!passwordData_ || passwordData_->empty()) return std::nullopt;
  auto value = platform::Json::parse(passwordData_->begin(), passwordData_->end(), nullptr, false);
  if (value.is_discarded()) return std::nullopt;
  return value;
}

void ZIBKeychainQuery::setPasswordObject(const std::optional<platform::Json>& object) {
  passwordData_ = std::nullopt;
  if (!object) return;
  try {
    passwordData_ = platform::bytesFromString(object->dump());
  } catch (const platform::Json::exception&) {
    // invalid UTF-8 in a text: nothing to store
  }
}

platform::KeychainQuery ZIBKeychainQuery::query() const {
  platform::KeychainQuery q;
  q.service = service_;
  q.account = account_;
  switch (synchronizationMode_) {
    case ZIBKeychainQuerySynchronizationMode::Any:
      q.synchronizable = platform::KeychainSynchronizable::Any;
      break;
    case ZIBKeychainQuerySynchronizationMode::No:
      q.synchronizable = platform::KeychainSynchronizable::No;
      break;
    case ZIBKeychainQuerySynchronizationMode::Yes:
      q.synchronizable = platform::KeychainSynchronizable::Yes;
      break;
  }
  return q;
}

bool ZIBKeychainQuery::save(std::optional<platform::Error>* error) {
  if (!service_ || !account_ || !passwordData_) return finish(ZIBKeychainErrorBadArguments, error);
  auto keychain = platform::Keychain::shared();
  auto accessibility = ZIBKeychain::accessibilityType();
  auto update = [&] { return keychain->update(query(), {*passwordData_, accessibility}); };
  OSStatus status = keychain->find(query());
  if (status == platform::errSecItemNotFound) {
    // Mode Any adds an item that is not synchronizable.
    platform::KeychainItem item{
        *service_, *account_,     synchronizationMode_ == ZIBKeychainQuerySynchronizationMode::Yes,
        label_,    accessibility, *passwordData_};
    status = keychain->add(item);
    // Another thread or process added it since the look-up: the save becomes an update.
    if (status == platform::errSecDuplicateItem) status = update();
  } else if (status == platform::errSecSuccess) {
    status = update();
  }
  return finish(status, error);
}

bool ZIBKeychainQuery::fetch(std::optional<platform::Error>* error) {
  if (!service_ || !account_) return finish(ZIBKeychainErrorBadArguments, error);
  platform::Bytes data;
  OSStatus status = platform::Keychain::shared()->copyData(query(), data);
  if (status == platform::errSecSuccess) passwordData_ = std::move(data);
  return finish(status, error);
}

bool ZIBKeychainQuery::deleteItem(std::optional<platform::Error>* error) {
  if (!service_ || !account_) return finish(ZIBKeychainErrorBadArguments, error);
  return finish(platform::Keychain::shared()->remove(query()), error);
}

std::optional<platform::Json> ZIBKeychainQuery::fetchAll(std::optional<platform::Error>* error) {
  platform::KeychainQuery q = query();
  q.accessibility = ZIBKeychain::accessibilityType();
  std::vector<platform::KeychainAttributes> found;
  if (!finish(platform::Keychain::shared()->copyAttributes(q, found), error)) return std::nullopt;
  platform::Json list = platform::Json::array();
  for (const auto& attributes : found) list.push_back(attributeDictionary(attributes));
  return list;
}

std::optional<platform::Error> ZIBKeychainQuery::errorWithCode(OSStatus status) {
  if (status == platform::errSecSuccess) return std::nullopt;
  const char* key = keychain::textKeyForStatus(status);
  std::string description = keychain::textForKey(key).value_or(key);
  return platform::Error::make(kZIBKeychainErrorDomain, status, {{platform::kLocalizedDescriptionKey, description}});
}

}  // namespace qor
