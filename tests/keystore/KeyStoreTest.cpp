#include <gtest/gtest.h>

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsB64.h"
#include "common/keystore/SensitiveDataManager.h"
#include "common/request/QORJsonByteObjectConverter.h"
#include "common/storage/QORCommonData.h"
#include "common/storage/QORSecureStorage.h"
#include "platform/Random.h"
#include "tests/keychain/KeychainTestSupport.h"

using namespace qor;
using platform::Bytes;
using platform::Json;
using platform::OptBytes;

namespace {

std::shared_ptr<QORSecretKey> keyOf(const OptBytes& bytes) {
  return QORCryptUtilsAsymmetric::restoreSecretKeyFromData(bytes);
}

std::shared_ptr<SensitiveData> clientRecord() {
  return SensitiveData::create(keyOf(platform::secureRandomBytes(1217)), keyOf(platform::secureRandomBytes(294)),
                               std::nullopt);
}

OptBytes bytesOf(const std::shared_ptr<QORSecretKey>& key) { return key ? key->data() : std::nullopt; }

// Storage key pairs are slow to make: two per test program.
class KeyStoreTest : public qortest::InMemoryKeychainTest {
 protected:
  static void SetUpTestSuite() {
    if (!storageA) storageA = QORCryptUtilsAsymmetric::generateKeyPair();
    if (!storageB) storageB = QORCryptUtilsAsymmetric::generateKeyPair();
  }

  struct Pair {
    OptBytes record, session;
    bool operator==(const Pair&) const = default;
  };
  static Pair storedPair() { return {QORCommonData::sensitiveDataEncrypted(), QORCommonData::skSessionEncrypted()}; }

  static void expectOpens(const std::shared_ptr<QORKeyPair>& storage, const std::shared_ptr<SensitiveData>& expected,
                          const char* what) {
    auto opened = SensitiveDataManager::getSensitiveDataWithPrvStorage(storage->privateKey());
    ASSERT_NE(opened, nullptr) << what;
    EXPECT_EQ(bytesOf(opened->prvClient()), bytesOf(expected->prvClient())) << what;
    EXPECT_EQ(bytesOf(opened->pubSps()), bytesOf(expected->pubSps())) << what;
    EXPECT_EQ(opened->appInstanceId(), expected->appInstanceId()) << what;
  }

  static void expectClosed(const std::shared_ptr<QORSecretKey>& prvStorage, const std::string& what) {
    auto opened = SensitiveDataManager::getSensitiveDataWithPrvStorage(prvStorage);
    ASSERT_NE(opened, nullptr) << what;
    ASSERT_NE(opened->prvClient(), nullptr) << what;
    ASSERT_NE(opened->pubSps(), nullptr) << what;
    EXPECT_EQ(opened->prvClient()->data(), std::nullopt) << what;
    EXPECT_EQ(opened->pubSps()->data(), std::nullopt) << what;
  }

  static inline std::shared_ptr<QORKeyPair> storageA, storageB;
};

TEST_F(KeyStoreTest, OpensWithTheMatchingStorageKeyOnly) {
  ASSERT_TRUE(storageA && storageB);
  auto record = clientRecord();
  ASSERT_TRUE(SensitiveDataManager::saveSensitiveData(record, storageA->publicKey()));
  expectOpens(storageA, record, "the matching key");
  EXPECT_EQ(QORCommonData::skSessionEncrypted()->size(), 256u);
  EXPECT_EQ(QORCommonData::sensitiveDataEncrypted()->size(),
            QORJsonByteObjectConverter::dataFromDictionary(record->dictionary())->size() + 16);

  expectClosed(storageB->privateKey(), "another storage key");
  expectClosed(storageA->publicKey(), "the public half");
  expectClosed(keyOf(std::nullopt), "a key without bytes");
  expectClosed(nullptr, "no key");
}

TEST_F(KeyStoreTest, AfterTwoSavesOnlyTheSecondStorageKeyOpens) {
  auto first = clientRecord();
  auto second = clientRecord();
  ASSERT_TRUE(SensitiveDataManager::saveSensitiveData(first, storageA->publicKey()));
  ASSERT_TRUE(SensitiveDataManager::saveSensitiveData(second, storageB->publicKey()));
  expectClosed(storageA->privateKey(), "the first storage key");
  expectOpens(storageB, second, "the second storage key");
}

TEST_F(KeyStoreTest, NothingStoredOrChangedBytesGiveKeysWithoutBytes) {
  expectClosed(storageA->privateKey(), "an empty store");
  ASSERT_TRUE(SensitiveDataManager::saveSensitiveData(clientRecord(), storageA->publicKey()));
  const Pair good = storedPair();
  struct Case {
    std::string name;
    std::function<void(Pair&)> change;
  };
  auto flip = [](OptBytes& bytes, size_t at) { (*bytes)[at] ^= 0x01; };
  const Case cases[] = {
      {"first record byte", [&](Pair& p) { flip(p.record, 0); }},
      {"middle record byte", [&](Pair& p) { flip(p.record, p.record->size() / 2); }},
      {"last tag byte", [&](Pair& p) { flip(p.record, p.record->size() - 1); }},
      {"record cut short", [](Pair& p) { p.record->pop_back(); }},
      {"record shorter than its tag", [](Pair& p) { p.record->resize(15); }},
      {"record empty", [](Pair& p) { p.record = Bytes{}; }},
      {"record missing", [](Pair& p) { p.record = std::nullopt; }},
      {"session byte", [&](Pair& p) { flip(p.session, 100); }},
      {"session of 255 bytes", [](Pair& p) { p.session->pop_back(); }},
      {"session missing", [](Pair& p) { p.session = std::nullopt; }},
  };
  for (const auto& c : cases) {
    Pair changed = good;
    c.change(changed);
    ASSERT_TRUE(QORCommonData::setSensitiveDataEncrypted(changed.record));
    ASSERT_TRUE(QORCommonData::setSkSessionEncrypted(changed.session));
    expectClosed(storageA->privateKey(), c.name);
  }
}

TEST_F(KeyStoreTest, AFailedSealingLeavesThePreviousPair) {
  auto record = clientRecord();
  ASSERT_TRUE(SensitiveDataManager::saveSensitiveData(record, storageA->publicKey()));
  const Pair before = storedPair();
  const std::pair<const char*, std::shared_ptr<QORSecretKey>> badKeys[] = {
      {"no storage key", nullptr},
      {"a storage key without bytes", QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String("*")},
      {"storage key bytes that are no key", keyOf(platform::bytesFromString("not a key"))},
      {"a private key for the public one", storageB->privateKey()},
  };
  for (const auto& [name, key] : badKeys) {
    EXPECT_FALSE(SensitiveDataManager::saveSensitiveData(clientRecord(), key)) << name;
    EXPECT_EQ(storedPair(), before) << name;
  }
  EXPECT_FALSE(SensitiveDataManager::saveSensitiveData(nullptr, storageB->publicKey())) << "no record";
  auto unwritable = clientRecord();
  unwritable->setAppInstanceId(std::string("\xFF"));
  EXPECT_FALSE(SensitiveDataManager::saveSensitiveData(unwritable, storageB->publicKey())) << "invalid UTF-8";
  EXPECT_EQ(storedPair(), before);
  expectOpens(storageA, record, "after the failed saves");
}

TEST_F(KeyStoreTest, AFailedWriteLeavesThePreviousPair) {
  for (bool hadPair : {true, false}) {
    for (const char* failing : {kQORSecureStorageSensitiveDataEncrypted, kQORSecureStorageSkSessionEncrypted}) {
      const std::string what = std::string(hadPair ? "over a pair, " : "first save, ") + "failing " + failing;
      ASSERT_TRUE(QORSecureStorage::deleteDataForKey(kQORSecureStorageSensitiveDataEncrypted));
      ASSERT_TRUE(QORSecureStorage::deleteDataForKey(kQORSecureStorageSkSessionEncrypted));
      auto record = clientRecord();
      if (hadPair) {
        ASSERT_TRUE(SensitiveDataManager::saveSensitiveData(record, storageA->publicKey()));
      }
      const Pair before = storedPair();

      keychain->setFailureHook([&](platform::KeychainOperation op, const platform::KeychainQuery& q) {
        bool write = op != platform::KeychainOperation::CopyMatching;
        return write && q.service == failing ? platform::errSecInteractionNotAllowed : platform::errSecSuccess;
      });
      EXPECT_FALSE(SensitiveDataManager::saveSensitiveData(clientRecord(), storageB->publicKey())) << what;
      keychain->setFailureHook(nullptr);
      EXPECT_EQ(storedPair(), before) << what;
      if (hadPair) expectOpens(storageA, record, what.c_str());
    }
  }
}

// The pair is read as it is written, in one transaction: a new pair written between the reads of
// its two halves (by another process) must not give the old session key with the new record.
TEST_F(KeyStoreTest, APairWrittenWhileTheStoreIsReadOpensWhole) {
  auto first = clientRecord();
  auto second = clientRecord();
  ASSERT_TRUE(SensitiveDataManager::saveSensitiveData(second, storageA->publicKey()));
  const Pair secondPair = storedPair();
  ASSERT_TRUE(SensitiveDataManager::saveSensitiveData(first, storageA->publicKey()));

  bool written = false;
  keychain->setFailureHook([&](platform::KeychainOperation op, const platform::KeychainQuery& q) {
    // When the record is asked for, after the session key, the other writer replaces the pair.
    if (op == platform::KeychainOperation::CopyMatching && q.service == kQORSecureStorageSensitiveDataEncrypted &&
        !written) {
      written = true;
      EXPECT_TRUE(QORSecureStorage::setDataItems({{kQORSecureStorageSensitiveDataEncrypted, *secondPair.record},
                                                  {kQORSecureStorageSkSessionEncrypted, *secondPair.session}}));
    }
    return platform::errSecSuccess;
  });
  auto opened = SensitiveDataManager::getSensitiveDataWithPrvStorage(storageA->privateKey());
  keychain->setFailureHook(nullptr);
  ASSERT_TRUE(written);
  ASSERT_NE(opened, nullptr);
  const bool isFirst = bytesOf(opened->prvClient()) == bytesOf(first->prvClient());
  const auto& expected = isFirst ? first : second;
  EXPECT_TRUE(bytesOf(opened->prvClient()).has_value()) << "the store did not open";
  EXPECT_EQ(bytesOf(opened->prvClient()), bytesOf(expected->prvClient()));
  EXPECT_EQ(bytesOf(opened->pubSps()), bytesOf(expected->pubSps()));
}

// The wake-up's rotation, through a server that first does not hear of it (a process killed before
// handshake step 1) and then does.
TEST_F(KeyStoreTest, TheRotationKeepsThePairThatOpenedUntilTheCurrentOneOpens) {
  auto storageC = QORCryptUtilsAsymmetric::generateKeyPair();
  ASSERT_TRUE(storageC);
  auto record = clientRecord();
  ASSERT_TRUE(SensitiveDataManager::saveSensitiveData(record, storageA->publicKey()));
  const auto underA = SensitiveDataManager::storedPairs().current;
  auto expectRecord = [&](const std::optional<SensitiveDataManager::OpenedStore>& opened, const char* what) {
    ASSERT_TRUE(opened) << what;
    EXPECT_EQ(bytesOf(opened->data->prvClient()), bytesOf(record->prvClient())) << what;
    EXPECT_EQ(bytesOf(opened->data->pubSps()), bytesOf(record->pubSps())) << what;
  };

  // One wake-up: the store opens with `storage` from the pair `from` and is sealed under `next`.
  auto wakeUp = [&](const std::shared_ptr<QORKeyPair>& storage, const SensitiveDataManager::SealedPair& from,
                    const std::shared_ptr<QORKeyPair>& next, const char* what) {
    auto opened = SensitiveDataManager::openCurrentOrKept(storage->privateKey());
    expectRecord(opened, what);
    if (opened) {
      EXPECT_EQ(opened->pair, from) << what;
      EXPECT_TRUE(SensitiveDataManager::rotateSensitiveData(*opened, next->publicKey())) << what;
    }
    return SensitiveDataManager::storedPairs();
  };

  // A's wake-up: the current pair opens; sealed under B, A's pair kept.
  auto stored = wakeUp(storageA, underA, storageB, "A, current");
  EXPECT_NE(stored.current, underA);
  EXPECT_EQ(stored.kept, underA);
  expectOpens(storageB, record, "the current pair under B");

  // The server never heard of B and hands out A again: the kept pair opens, and stays kept.
  stored = wakeUp(storageA, underA, storageB, "A again, kept");
  EXPECT_EQ(stored.kept, underA);

  // The server moved on to B: that pair opens and is kept in place of A's, which no longer opens.
  const auto underB = stored.current;
  stored = wakeUp(storageB, underB, storageC, "B, current");
  EXPECT_EQ(stored.kept, underB);
  EXPECT_FALSE(SensitiveDataManager::openCurrentOrKept(storageA->privateKey())) << "A's pair is gone";
  expectRecord(SensitiveDataManager::openCurrentOrKept(storageB->privateKey()), "B, kept");
  auto opened = SensitiveDataManager::openCurrentOrKept(storageC->privateKey());
  expectRecord(opened, "C, current");
  ASSERT_TRUE(opened);

  // A failed re-sealing or write changes nothing; a new store (enrollment) drops the kept pair.
  EXPECT_FALSE(SensitiveDataManager::rotateSensitiveData(*opened, nullptr));
  keychain->setFailureHook([](platform::KeychainOperation op, const platform::KeychainQuery& q) {
    return op == platform::KeychainOperation::Save && q.service == std::string(kQORSecureStorageSkSessionEncryptedKept)
               ? platform::errSecInteractionNotAllowed
               : platform::errSecSuccess;
  });
  EXPECT_FALSE(SensitiveDataManager::rotateSensitiveData(*opened, storageA->publicKey()));
  keychain->setFailureHook(nullptr);
  EXPECT_EQ(SensitiveDataManager::storedPairs(), stored);
  ASSERT_TRUE(SensitiveDataManager::saveSensitiveData(clientRecord(), storageA->publicKey()));
  stored = SensitiveDataManager::storedPairs();
  EXPECT_EQ(stored.kept, SensitiveDataManager::SealedPair{});
  EXPECT_FALSE(SensitiveDataManager::openCurrentOrKept(storageB->privateKey())) << "the earlier store's pair";
  EXPECT_FALSE(SensitiveDataManager::openCurrentOrKept(storageC->privateKey()));
}

TEST_F(KeyStoreTest, RecordsLeaveOutMissingMembersOneByOne) {
  auto record = SensitiveData::create(keyOf(std::nullopt), keyOf(Bytes{1, 2, 3}), std::nullopt);
  EXPECT_EQ(record->dictionary(), (Json{{"pubSps", "AQID"}}));
  ASSERT_TRUE(SensitiveDataManager::saveSensitiveData(record, storageA->publicKey()));
  auto opened = SensitiveDataManager::getSensitiveDataWithPrvStorage(storageA->privateKey());
  EXPECT_EQ(opened->prvClient()->data(), std::nullopt);
  EXPECT_EQ(opened->pubSps()->data(), (Bytes{1, 2, 3}));

  auto full = SensitiveData::create(keyOf(Bytes{1}), keyOf(Bytes{2}), "app");
  EXPECT_EQ(full->dictionary(), (Json{{"prvClient", "AQ=="}, {"pubSps", "Ag=="}, {"appInstanceId", "app"}}));
  EXPECT_EQ(SensitiveData::create(nullptr, nullptr, std::nullopt)->dictionary(), Json::object());
  EXPECT_EQ(SkSessionData::create(nullptr, Bytes{0xFF})->dictionary(), (Json{{"nIV", "/w=="}}));
  EXPECT_EQ(SkSessionData::create(keyOf(Bytes{0xFF}), std::nullopt)->dictionary(), (Json{{"skStorage", "/w=="}}));
}

TEST_F(KeyStoreTest, MembersOfTheWrongTypeReadAsMissing) {
  const std::optional<Json> records[] = {
      std::nullopt,
      Json::object(),
      Json{{"prvClient", 5}, {"pubSps", Json::array({"AQ=="})}, {"appInstanceId", true}},
      Json{{"prvClient", nullptr}, {"pubSps", "AQ"}, {"appInstanceId", Json::object()}},
      Json::array({"AQ=="}),
  };
  for (const auto& r : records) {
    auto data = SensitiveData::initWithDictionary(r);
    ASSERT_NE(data, nullptr);
    ASSERT_NE(data->prvClient(), nullptr);
    EXPECT_EQ(data->prvClient()->data(), std::nullopt) << (r ? r->dump() : "nil");
    EXPECT_EQ(data->pubSps()->data(), std::nullopt) << (r ? r->dump() : "nil");
    EXPECT_EQ(data->appInstanceId(), std::nullopt) << (r ? r->dump() : "nil");
  }
  auto session = SkSessionData::initWithDictionary(Json{{"skStorage", 16}, {"nIV", Json::array()}});
  EXPECT_EQ(session->skStorage()->data(), std::nullopt);
  EXPECT_EQ(session->nIV(), std::nullopt);
  auto good = SkSessionData::initWithDictionary(Json{{"skStorage", "AAECAw=="}, {"nIV", "BAU="}});
  EXPECT_EQ(good->skStorage()->data(), (Bytes{0, 1, 2, 3}));
  EXPECT_EQ(good->nIV(), (Bytes{4, 5}));
}

}  // namespace
