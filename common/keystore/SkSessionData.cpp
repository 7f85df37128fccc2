#include "common/keystore/SkSessionData.h"

#include "common/keystore/internal/KeyStoreMembers.h"

namespace qor {

std::shared_ptr<SkSessionData> SkSessionData::create(std::shared_ptr<QORSecretKey> skStorage, platform::OptBytes nIV) {
  auto session = std::shared_ptr<SkSessionData>(new SkSessionData);
  session->skStorage_ = std::move(skStorage);
  session->nIV_ = std::move(nIV);
  return session;
}

std::shared_ptr<SkSessionData> SkSessionData::initWithDictionary(const std::optional<platform::Json>& dictionary) {
  return create(keystore::keyMember(dictionary, "skStorage"),
                QORCryptUtilsB64::decodeString(keystore::textMember(dictionary, "nIV")));
}

platform::Json SkSessionData::dictionary() const {
  std::lock_guard lock(mutex_);
  platform::Json record = platform::Json::object();
  keystore::putKey(record, "skStorage", skStorage_);
  keystore::putBase64(record, "nIV", nIV_);
  return record;
}

std::shared_ptr<QORSecretKey> SkSessionData::skStorage() const {
  std::lock_guard lock(mutex_);
  return skStorage_;
}

void SkSessionData::setSkStorage(std::shared_ptr<QORSecretKey> key) {
  std::lock_guard lock(mutex_);
  skStorage_ = std::move(key);
}

platform::OptBytes SkSessionData::nIV() const {
  std::lock_guard lock(mutex_);
  return nIV_;
}

void SkSessionData::setNIV(platform::OptBytes iv) {
  std::lock_guard lock(mutex_);
  nIV_ = std::move(iv);
}

}  // namespace qor
