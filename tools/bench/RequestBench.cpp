// One sealed request as an action makes it (envelope built from the stored values, answer opened and
// checked) and the sealed key store opened, each against the sum of its own crypto calls (the SDK's,
// and raw Crypto++). A request must read its stored values from the keychain, so its floor adds a
// bare SQLite read transaction of the same five values (kept statements) to its crypto calls. The
// store is a keychain file, as on a device; the server key is like the reference server's.
#include <benchmark/benchmark.h>

#include <cryptopp/aes.h>
#include <cryptopp/gcm.h>
#include <sqlite3.h>

#include <array>
#include <chrono>

#include "common/actions/QORBaseClientAction.h"
#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsB64.h"
#include "common/crypto/QORCryptUtilsSymmetric.h"
#include "common/keystore/SensitiveDataManager.h"
#include "common/storage/QORCommonData.h"
#include "common/transport/QORNetworkingUtils.h"
#include "platform/Base64.h"
#include "platform/Json.h"
#include "platform/keychain/Keychain.h"
#include "tests/support/TestSupport.h"
#include "tools/bench/BenchSupport.h"

namespace qorbench {
namespace {

using platform::Bytes;
using Clock = std::chrono::steady_clock;

// A keychain file in a folder of its own, removed at the end; other groups have keychains of their
// own, so each benchmark here makes it the process keychain again.
class BenchKeychain {
 public:
  BenchKeychain() : path_((folder_.path() / "keychain.sqlite").string()), file_(platform::Keychain::openFile(path_)) {}
  ~BenchKeychain() { platform::Keychain::setShared(nullptr); }
  const std::string& path() const { return path_; }
  const std::shared_ptr<platform::Keychain>& file() const { return file_; }

 private:
  qortest::TempDir folder_;
  std::string path_;
  std::shared_ptr<platform::Keychain> file_;
};

BenchKeychain& benchKeychainFolder() {
  static BenchKeychain* keychain = [] {
    auto* made = new BenchKeychain();
    stopAtEnd([made] { delete made; });
    return made;
  }();
  return *keychain;
}

const std::shared_ptr<platform::Keychain>& benchKeychain() { return benchKeychainFolder().file(); }

void useBenchKeychain() { platform::Keychain::setShared(benchKeychain()); }

const Bytes kNonce = Bytes(16, 0x42);

class NonceSource : public qor::QORClientActionDataSource {
 public:
  platform::OptBytes nonce() const override { return kNonce; }
};

class StatusRecorder : public qor::QORClientActionDelegate {
 public:
  void clientActionFinishedWithStatus(const std::shared_ptr<qor::QORBaseClientAction>&, qor::QORStatus s) override {
    status = s;
  }
  qor::QORStatus status = 0;
};

class BenchAction : public qor::QORBaseClientAction {
 public:
  static std::shared_ptr<BenchAction> create() { return std::shared_ptr<BenchAction>(new BenchAction); }
  std::optional<int64_t> actionType() const override { return 105; }
  std::optional<std::string> urlPath() const override { return "/vtn-service/rest/actions"; }
  // Through the road below, which answers at once instead of going to a network.
  bool shouldUseWebSocket() const override { return true; }
};

// The server's side, outside the measured time: seals the answer body under the request's own key
// and IV (read from the action rather than from the sealed header) and answers synchronously.
class AnsweringRoad : public qor::QORWebSocketRoad {
 public:
  void useWebSocket(const platform::URLRequest&, bool, qor::QORNetworkingCompletion completion) override {
    const auto start = Clock::now();
    auto bytes = answerFor(*action->request()->header());
    serverTime += Clock::now() - start;
    completion(std::move(bytes), std::nullopt);
  }
  // Returns only the bytes, so the server's own objects are gone before its clock stops.
  static platform::OptBytes answerFor(const qor::QORBaseRequestHeader& header) {
    const platform::Json body = {{"nonceQOR", platform::base64Encode(kNonce)}};
    const auto sealed = qor::QORCryptUtilsSymmetric::encryptData(platform::dataWithJSONObject(body),
                                                                 header.symmetricKeyQOR(), header.nIV());
    const platform::Json answer = {{"dataEncryptedResponse", platform::base64Encode(sealed.value())},
                                   {"signatureVTN", "c2lnbmF0dXJl"},
                                   {"status", {{"code", 0}, {"message", "ok"}}}};
    return platform::dataWithJSONObject(answer);
  }
  std::shared_ptr<qor::QORBaseClientAction> action;
  Clock::duration serverTime{};
};

// The stored values a request reads, in the keychain file or in a keychain in memory.
void storeServerValues(bool inMemory) {
  platform::Keychain::setShared(inMemory ? platform::Keychain::inMemory() : benchKeychain());
  qor::QORCommonData::setHost("https://127.0.0.1:9");
  qor::QORCommonData::setWebSocketHost("wss://127.0.0.1:9/ws");
  qor::QORCommonData::setInstallationId("6a1f1f8e-3c1b-4b7e-9d7c-2f4f1c0e9a11");
  qor::QORCommonData::setPubVtnBase64(platform::base64Encode(*serverKeyPair().publicKey()->data()));
  qor::QORCommonData::setHttpHeaders(platform::Json{{"X-Client", "bench"}});
}

void sealedRequest(benchmark::State& state, bool inMemory) {
  storeServerValues(inMemory);
  auto road = std::make_shared<AnsweringRoad>();
  qor::QORNetworkingUtils::setWebSocketRoad(road);
  auto source = std::make_shared<NonceSource>();
  auto recorder = std::make_shared<StatusRecorder>();
  for (auto _ : state) {
    auto action = BenchAction::create();
    action->setDataSource(source);
    action->setDelegate(recorder);
    road->action = action;
    road->serverTime = {};
    recorder->status = 0;
    const auto start = Clock::now();
    action->start();
    const auto elapsed = Clock::now() - start - road->serverTime;
    if (!check(recorder->status == qor::QORStatusSuccess, "sealed request")) break;
    state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
  }
  qor::QORNetworkingUtils::setWebSocketRoad(nullptr);
  storeServerValues(false);
}
void sealedRequestProject(benchmark::State& state) { sealedRequest(state, false); }
void sealedRequestKeychainInMemory(benchmark::State& state) { sealedRequest(state, true); }

const Bytes kHeaderJson = platform::bytesFromString(
    R"({"nIV":"AAAAAAAAAAAAAAAAAAAAAA==","symmetricKeyQOR":"AAAAAAAAAAAAAAAAAAAAAA==","type":105})");
const Bytes kBodyJson = platform::bytesFromString(R"({"nonceQOR":"QkJCQkJCQkJCQkJCQkJCQg=="})");

// The SDK's own crypto calls of one request: a key and an IV drawn, the header sealed with RSA
// under the kept server key, the body sealed and an answer body of its size opened with AES-GCM.
struct CryptoCalls {
  std::shared_ptr<qor::QORSecretKey> serverKey =
      qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromData(*serverKeyPair().publicKey()->data());
  bool run() const {
    const auto key = qor::QORCryptUtilsSymmetric::generateSecretKey();
    const auto iv = qor::QORCryptUtilsSymmetric::generateIV();
    const auto header = qor::QORCryptUtilsAsymmetric::encryptData(kHeaderJson, serverKey);
    const auto sealed = qor::QORCryptUtilsSymmetric::encryptData(kBodyJson, key, iv);
    const auto opened = qor::QORCryptUtilsSymmetric::decryptData(sealed, key, iv);
    return header && opened == kBodyJson;
  }
};

// What a request's read of its five stored values costs SQLite itself: a connection of its own to
// the same keychain file, its statements prepared once, then per read BEGIN, the five point
// SELECTs the keychain runs (each value copied out) and COMMIT.
class BareRead {
 public:
  BareRead() {
    useBenchKeychain();
    storeServerValues(false);
    ok_ = sqlite3_open_v2(benchKeychainFolder().path().c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                          nullptr) == SQLITE_OK &&
          prepare("BEGIN", begin_) && prepare("COMMIT", commit_);
    for (size_t i = 0; i < kKeys.size() && ok_; ++i) {
      ok_ = prepare("SELECT data FROM genp WHERE service = ? AND account = ? ORDER BY sync, service, account LIMIT 1",
                    selects_[i]) &&
            sqlite3_bind_text(selects_[i], 1, kKeys[i], -1, SQLITE_STATIC) == SQLITE_OK &&
            sqlite3_bind_text(selects_[i], 2, kKeys[i], -1, SQLITE_STATIC) == SQLITE_OK;
    }
    check(ok_, "preparing the bare read");
  }
  ~BareRead() {
    for (auto* statement : selects_) sqlite3_finalize(statement);
    sqlite3_finalize(begin_);
    sqlite3_finalize(commit_);
    sqlite3_close(db_);
  }
  BareRead(const BareRead&) = delete;
  BareRead& operator=(const BareRead&) = delete;

  // True when all five values were there.
  bool run() {
    bool found = stepOnce(begin_) == SQLITE_DONE;
    for (size_t i = 0; i < kKeys.size(); ++i) {
      sqlite3_stmt* select = selects_[i];
      if (sqlite3_step(select) == SQLITE_ROW) {
        const auto* blob = static_cast<const uint8_t*>(sqlite3_column_blob(select, 0));
        values_[i].assign(blob, blob + sqlite3_column_bytes(select, 0));
      } else {
        found = false;
      }
      sqlite3_reset(select);
    }
    return stepOnce(commit_) == SQLITE_DONE && found;
  }

 private:
  static constexpr std::array<const char*, 5> kKeys = {"installationId", "pubVtnBase64", "host", "httpHeaders",
                                                       "webSocketHost"};
  bool prepare(const char* sql, sqlite3_stmt*& statement) {
    return sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) == SQLITE_OK;
  }
  static int stepOnce(sqlite3_stmt* statement) {
    const int result = sqlite3_step(statement);
    sqlite3_reset(statement);
    return result;
  }

  sqlite3* db_ = nullptr;
  sqlite3_stmt* begin_ = nullptr;
  sqlite3_stmt* commit_ = nullptr;
  std::array<sqlite3_stmt*, 5> selects_{};
  std::array<Bytes, 5> values_;
  bool ok_ = false;
};

void sealedRequestCryptoSum(benchmark::State& state) {
  const CryptoCalls crypto;
  for (auto _ : state) {
    if (!check(crypto.run(), "crypto calls")) break;
  }
}

void sealedRequestBareRead(benchmark::State& state) {
  BareRead read;
  for (auto _ : state) {
    if (!check(read.run(), "bare read")) break;
  }
}

// The SDK's read of the same values, for the part of the request that is storage.
void sealedRequestKeychainRead(benchmark::State& state) {
  useBenchKeychain();
  storeServerValues(false);
  for (auto _ : state) {
    const auto values = qor::QORCommonData::requestValues(true);
    if (!check(values.pubVtnBase64 && values.webSocketHost, "keychain read")) break;
  }
}

// The ruled floor of a request: its crypto calls and the bare read, in one iteration.
void sealedRequestFloor(benchmark::State& state) {
  const CryptoCalls crypto;
  BareRead read;
  for (auto _ : state) {
    const bool ok = read.run();
    if (!check(crypto.run() && ok, "crypto calls and bare read")) break;
  }
}

// The same calls in raw Crypto++, as the library's own examples make them, with kept objects.
void sealedRequestCryptoppSum(benchmark::State& state) {
  FloorRandom pool;
  CryptoPP::RSAES_PKCS1v15_Encryptor encryptor(cryptoppPublicKey(*serverKeyPair().publicKey()->data()));
  CryptoPP::GCM<CryptoPP::AES>::Encryption sealer;
  CryptoPP::GCM<CryptoPP::AES>::Decryption opener;
  const Bytes& header = kHeaderJson;
  const Bytes& body = kBodyJson;
  uint8_t key[16], iv[16];
  Bytes rsaOut(encryptor.FixedCiphertextLength()), sealed(body.size() + 16), opened(body.size());
  for (auto _ : state) {
    const auto start = Clock::now();
    pool.GenerateBlock(key, sizeof key);
    pool.GenerateBlock(iv, sizeof iv);
    encryptor.Encrypt(pool, header.data(), header.size(), rsaOut.data());
    sealer.SetKeyWithIV(key, sizeof key, iv, sizeof iv);
    sealer.ProcessData(sealed.data(), body.data(), body.size());
    sealer.TruncatedFinal(sealed.data() + body.size(), 16);
    opener.SetKeyWithIV(key, sizeof key, iv, sizeof iv);
    opener.ProcessData(opened.data(), sealed.data(), body.size());
    const bool ok = opener.TruncatedVerify(sealed.data() + body.size(), 16);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (!check(ok, "open")) break;
  }
}

// --- key store -----------------------------------------------------------------------------------

// The store sealed once under a storage key like the server's; the client's key inside is the SDK's.
void sealKeyStore() {
  useBenchKeychain();
  static const bool sealed = qor::SensitiveDataManager::saveSensitiveData(
      qor::SensitiveData::create(rsaKeyPair().privateKey(), serverKeyPair().publicKey(), std::nullopt),
      serverKeyPair().publicKey());
  check(sealed, "sealing the key store");
}

void openKeyStore(benchmark::State& state, bool firstUse) {
  sealKeyStore();
  const Bytes& storageDer = *serverKeyPair().privateKey()->data();
  for (auto _ : state) {
    if (firstUse) {
      state.PauseTiming();
      forgetValidatedKeys();
      state.ResumeTiming();
    }
    // Each authorization hands the storage key over anew.
    auto storageKey = qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromData(storageDer);
    auto record = qor::SensitiveDataManager::getSensitiveDataWithPrvStorage(storageKey);
    if (!check(record->prvClient()->data().has_value() && record->pubSps()->data().has_value(), "opening")) break;
  }
}

void keyStoreOpenProject(benchmark::State& state) { openKeyStore(state, false); }
void keyStoreOpenFirstUse(benchmark::State& state) { openKeyStore(state, true); }

// The crypto of an open: the session key opened with RSA, the record with AES-GCM. Validating adds
// what a storage key seen for the first time needs: decoding and level-2 validation.
void keyStoreCryptoSum(benchmark::State& state, bool validating) {
  sealKeyStore();
  FloorRandom pool;
  const Bytes& storageDer = *serverKeyPair().privateKey()->data();
  CryptoPP::RSAES_PKCS1v15_Decryptor keptDecryptor(cryptoppPrivateKey(storageDer));
  const Bytes sealedSession = qor::QORCommonData::skSessionEncrypted().value();
  const Bytes sealedRecord = qor::QORCommonData::sensitiveDataEncrypted().value();
  // The session's key and IV, taken out once so the AES step has them.
  const auto session =
      qor::SensitiveDataManager::decryptSkSession(sealedSession, qor::QORSecretKey::create(storageDer, 1));
  const Bytes aesKey = *session->skStorage()->data();
  const Bytes iv = *session->nIV();
  CryptoPP::GCM<CryptoPP::AES>::Decryption opener;
  Bytes sessionPlain(256), recordPlain(sealedRecord.size() - 16);
  for (auto _ : state) {
    bool ok;
    if (validating) {
      auto key = cryptoppPrivateKey(storageDer);
      ok = key.Validate(pool, 2);
      CryptoPP::RSAES_PKCS1v15_Decryptor decryptor(key);
      ok = ok && decryptor.Decrypt(pool, sealedSession.data(), sealedSession.size(), sessionPlain.data()).isValidCoding;
    } else {
      ok = keptDecryptor.Decrypt(pool, sealedSession.data(), sealedSession.size(), sessionPlain.data()).isValidCoding;
    }
    opener.SetKeyWithIV(aesKey.data(), aesKey.size(), iv.data(), iv.size());
    opener.ProcessData(recordPlain.data(), sealedRecord.data(), recordPlain.size());
    ok = opener.TruncatedVerify(sealedRecord.data() + recordPlain.size(), 16) && ok;
    if (!check(ok, "opening")) break;
  }
}

void keyStoreCryptoSumKept(benchmark::State& state) { keyStoreCryptoSum(state, false); }
void keyStoreCryptoSumValidating(benchmark::State& state) { keyStoreCryptoSum(state, true); }

}  // namespace

BENCHMARK(sealedRequestProject)->Name("sealed_request.project")->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(sealedRequestKeychainInMemory)
    ->Name("sealed_request.keychain_in_memory")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(sealedRequestCryptoSum)->Name("sealed_request.crypto_sum")->Unit(benchmark::kMicrosecond);
BENCHMARK(sealedRequestBareRead)->Name("sealed_request.bare_read")->Unit(benchmark::kMicrosecond);
BENCHMARK(sealedRequestKeychainRead)->Name("sealed_request.keychain_read")->Unit(benchmark::kMicrosecond);
BENCHMARK(sealedRequestFloor)->Name("sealed_request.floor")->Unit(benchmark::kMicrosecond);
BENCHMARK(sealedRequestCryptoppSum)->Name("sealed_request.cryptopp_sum")->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(keyStoreOpenProject)->Name("keystore_open.project")->Unit(benchmark::kMicrosecond);
BENCHMARK(keyStoreCryptoSumKept)->Name("keystore_open.crypto_sum")->Unit(benchmark::kMicrosecond);
BENCHMARK(keyStoreOpenFirstUse)->Name("keystore_open.first_use")->Unit(benchmark::kMicrosecond);
BENCHMARK(keyStoreCryptoSumValidating)->Name("keystore_open.crypto_sum_validating")->Unit(benchmark::kMicrosecond);

}  // namespace qorbench
