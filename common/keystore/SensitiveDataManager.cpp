#include "common/keystore/SensitiveDataManager.h"

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsSymmetric.h"
#include "common/request/QORJsonByteObjectConverter.h"
#include "common/storage/QORCommonData.h"
#include "common/storage/QORSecureStorage.h"

namespace qor {

namespace {

using SealedPair = SensitiveDataManager::SealedPair;

bool hasBytes(const std::shared_ptr<QORSecretKey>& key) { return key && key->data().has_value(); }

// Both halves under a new session, or nullopt: a new record beside an old or missing session key
// could never be opened again, and every later authorization would fail.
std::optional<SealedPair> sealUnderNewSession(const std::shared_ptr<SensitiveData>& data,
                                              const std::shared_ptr<QORSecretKey>& pubStorage) {
  auto session =
      SkSessionData::create(QORCryptUtilsSymmetric::generateSecretKey(), QORCryptUtilsSymmetric::generateIV());
  SealedPair pair{SensitiveDataManager::encryptSensitiveData(data, session),
                  SensitiveDataManager::encryptSkSession(session, pubStorage)};
  if (!pair.sensitiveData || !pair.skSession) return std::nullopt;
  return pair;
}

std::shared_ptr<SensitiveData> open(const SealedPair& pair, const std::shared_ptr<QORSecretKey>& prvStorage) {
  auto session = SensitiveDataManager::decryptSkSession(pair.skSession, prvStorage);
  return SensitiveDataManager::decryptSensitiveData(pair.sensitiveData, session);
}

}  // namespace

bool SensitiveDataManager::saveSensitiveData(const std::shared_ptr<SensitiveData>& data,
                                             const std::shared_ptr<QORSecretKey>& pubStorage) {
  auto sealed = sealUnderNewSession(data, pubStorage);
  // A new store: a kept pair of an earlier one must not open in its place.
  return sealed && setStoredPairs({std::move(*sealed), {}});
}

std::shared_ptr<SensitiveData> SensitiveDataManager::getSensitiveDataWithPrvStorage(
    const std::shared_ptr<QORSecretKey>& prvStorage) {
  // One read transaction, as the pair is written in one: two reads could take the session key of
  // one pair and the record of the next that another process wrote in between, which never open.
  auto sealed =
      QORSecureStorage::dataForKeys({kQORSecureStorageSkSessionEncrypted, kQORSecureStorageSensitiveDataEncrypted});
  return open({std::move(sealed[1]), std::move(sealed[0])}, prvStorage);
}

std::optional<SensitiveDataManager::OpenedStore> SensitiveDataManager::openCurrentOrKept(
    const std::shared_ptr<QORSecretKey>& prvStorage) {
  auto stored = storedPairs();
  for (SealedPair* pair : {&stored.current, &stored.kept}) {
    auto data = open(*pair, prvStorage);
    if (hasBytes(data->prvClient()) && hasBytes(data->pubSps())) return OpenedStore{std::move(data), std::move(*pair)};
  }
  return std::nullopt;
}

bool SensitiveDataManager::rotateSensitiveData(const OpenedStore& opened,
                                               const std::shared_ptr<QORSecretKey>& pubStorageNext) {
  auto sealed = sealUnderNewSession(opened.data, pubStorageNext);
  return sealed && setStoredPairs({std::move(*sealed), opened.pair});
}

SensitiveDataManager::StoredPairs SensitiveDataManager::storedPairs() {
  auto items = QORSecureStorage::dataForKeys({kQORSecureStorageSensitiveDataEncrypted, kQORSecureStorageSkSessionEncrypted,
                                              kQORSecureStorageSensitiveDataEncryptedKept,
                                              kQORSecureStorageSkSessionEncryptedKept});
  return {{std::move(items[0]), std::move(items[1])}, {std::move(items[2]), std::move(items[3])}};
}

bool SensitiveDataManager::setStoredPairs(StoredPairs pairs) {
  // One transaction: a process killed between two writes would leave an unopenable mix.
  return QORSecureStorage::setDataItems(
      {{kQORSecureStorageSensitiveDataEncrypted, std::move(pairs.current.sensitiveData)},
       {kQORSecureStorageSkSessionEncrypted, std::move(pairs.current.skSession)},
       {kQORSecureStorageSensitiveDataEncryptedKept, std::move(pairs.kept.sensitiveData)},
       {kQORSecureStorageSkSessionEncryptedKept, std::move(pairs.kept.skSession)}});
}

platform::OptBytes SensitiveDataManager::encryptSensitiveData(const std::shared_ptr<SensitiveData>& data,
                                                              const std::shared_ptr<SkSessionData>& skSession) {
  if (!data || !skSession) return std::nullopt;
  auto plain = QORJsonByteObjectConverter::dataFromDictionary(data->dictionary());
  return QORCryptUtilsSymmetric::encryptData(plain, skSession->skStorage(), skSession->nIV());
}

platform::OptBytes SensitiveDataManager::encryptSkSession(const std::shared_ptr<SkSessionData>& skSession,
                                                          const std::shared_ptr<QORSecretKey>& pubStorage) {
  if (!skSession) return std::nullopt;
  auto plain = QORJsonByteObjectConverter::dataFromDictionary(skSession->dictionary());
  // The RSA step would seal nil as the empty message; a session without its JSON is no session.
  if (!plain) return std::nullopt;
  return QORCryptUtilsAsymmetric::encryptData(plain, pubStorage);
}

std::shared_ptr<SkSessionData> SensitiveDataManager::decryptSkSession(const platform::OptBytes& data,
                                                                      const std::shared_ptr<QORSecretKey>& prvStorage) {
  auto plain = QORCryptUtilsAsymmetric::decryptData(data, prvStorage);
  return SkSessionData::initWithDictionary(QORJsonByteObjectConverter::dictionaryFromData(plain));
}

std::shared_ptr<SensitiveData> SensitiveDataManager::decryptSensitiveData(
    const platform::OptBytes& data, const std::shared_ptr<SkSessionData>& skSession) {
  platform::OptBytes plain;
  if (skSession) plain = QORCryptUtilsSymmetric::decryptData(data, skSession->skStorage(), skSession->nIV());
  return SensitiveData::initWithDictionary(QORJsonByteObjectConverter::dictionaryFromData(plain));
}

}  // namespace qor
