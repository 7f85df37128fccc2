#include "common/keystore/SensitiveDataManager.h"

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsSymmetric.h"
#include "common/request/QORJsonByteObjectConverter.h"
#include "common/storage/QORCommonData.h"
#include "common/storage/QORSecureStorage.h"

namespace qor {

bool SensitiveDataManager::saveSensitiveData(const std::shared_ptr<SensitiveData>& data,
                                             const std::shared_ptr<QORSecretKey>& pubStorage) {
  auto session =
      SkSessionData::create(QORCryptUtilsSymmetric::generateSecretKey(), QORCryptUtilsSymmetric::generateIV());
  // Both halves first: a new record beside an old or missing session key could never be opened
  // again, and every later authorization would fail.
  auto sealedRecord = encryptSensitiveData(data, session);
  auto sealedSession = encryptSkSession(session, pubStorage);
  if (!sealedRecord || !sealedSession) return false;

  // One transaction: a process killed between two writes would leave the same unopenable mix.
  return QORSecureStorage::setDataItems({{kQORSecureStorageSensitiveDataEncrypted, std::move(*sealedRecord)},
                                         {kQORSecureStorageSkSessionEncrypted, std::move(*sealedSession)}});
}

std::shared_ptr<SensitiveData> SensitiveDataManager::getSensitiveDataWithPrvStorage(
    const std::shared_ptr<QORSecretKey>& prvStorage) {
  // One read transaction, as the pair is written in one: two reads could take the session key of
  // one pair and the record of the next that another process wrote in between, which never open.
  const auto sealed =
      QORSecureStorage::dataForKeys({kQORSecureStorageSkSessionEncrypted, kQORSecureStorageSensitiveDataEncrypted});
  auto session = decryptSkSession(sealed[0], prvStorage);
  return decryptSensitiveData(sealed[1], session);
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
