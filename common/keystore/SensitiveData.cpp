#include "common/keystore/SensitiveData.h"

#include "common/keystore/internal/KeyStoreMembers.h"

namespace qor {

std::shared_ptr<SensitiveData> SensitiveData::create(std::shared_ptr<QORSecretKey> prvClient,
                                                     std::shared_ptr<QORSecretKey> pubSps,
                                                     std::optional<std::string> appInstanceId) {
  auto data = std::shared_ptr<SensitiveData>(new SensitiveData);
  data->prvClient_ = std::move(prvClient);
  data->pubSps_ = std::move(pubSps);
  data->appInstanceId_ = std::move(appInstanceId);
  return data;
}

std::shared_ptr<SensitiveData> SensitiveData::initWithDictionary(const std::optional<platform::Json>& dictionary) {
  return create(keystore::keyMember(dictionary, "prvClient"), keystore::keyMember(dictionary, "pubSps"),
                keystore::textMember(dictionary, "appInstanceId"));
}

platform::Json SensitiveData::dictionary() const {
  std::lock_guard lock(mutex_);
  platform::Json record = platform::Json::object();
  keystore::putKey(record, "prvClient", prvClient_);
  keystore::putKey(record, "pubSps", pubSps_);
  if (appInstanceId_) record["appInstanceId"] = *appInstanceId_;
  return record;
}

std::shared_ptr<QORSecretKey> SensitiveData::prvClient() const {
  std::lock_guard lock(mutex_);
  return prvClient_;
}

void SensitiveData::setPrvClient(std::shared_ptr<QORSecretKey> key) {
  std::lock_guard lock(mutex_);
  prvClient_ = std::move(key);
}

std::shared_ptr<QORSecretKey> SensitiveData::pubSps() const {
  std::lock_guard lock(mutex_);
  return pubSps_;
}

void SensitiveData::setPubSps(std::shared_ptr<QORSecretKey> key) {
  std::lock_guard lock(mutex_);
  pubSps_ = std::move(key);
}

std::optional<std::string> SensitiveData::appInstanceId() const {
  std::lock_guard lock(mutex_);
  return appInstanceId_;
}

void SensitiveData::setAppInstanceId(std::optional<std::string> id) {
  std::lock_guard lock(mutex_);
  appInstanceId_ = std::move(id);
}

}  // namespace qor
