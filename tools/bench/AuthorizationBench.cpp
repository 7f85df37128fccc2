// One whole authorization (wake-up, both handshake steps, prepare, commit, with the key-store
// rotation) against the reference server on loopback, measured as the client's CPU time (every
// thread of this process; the server is another process), beside its floor: the crypto that one
// authorization cannot do without, done alone:
// - the ECDH key pair and the agreement (brainpoolP256r1),
// - five RSA seals of the request headers under the server's key, one RSA open of the handshake's
//   answer key, one RSA seal of the user's answer,
// - five AES-GCM seals of request bodies and five opens of answers, at the sizes of the wire,
// - the key-store rotation (open under the storage key, seal under the next, both keychain items),
// - the MD5 nonces and the SHA-256 digests of the two code blocks.
// The server hands over a storage key the client has never seen on every authorization, and every
// private key is validated at level 2 before its first use; a second floor adds that validation,
// done in raw Crypto++.
// Both use a keychain file of their own, as on a device.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <filesystem>
#include <memory>

#include "common/crypto/QORCryptUtils.h"
#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsB64.h"
#include "common/crypto/QORCryptUtilsSymmetric.h"
#include "common/keystore/SensitiveDataManager.h"
#include "common/storage/QORCommonData.h"
#include "platform/Digest.h"
#include "platform/Queue.h"
#include "platform/http/URLSession.h"
#include "platform/keychain/Keychain.h"
#include "sdk/authorization/QORAuthController.h"
#include "sdk/integrity/QORDeviceIntegrity.h"
#include "tests/http/support/RefServer.h"
#include "tools/bench/BenchSupport.h"

namespace qorbench {
namespace {

using platform::Json;

// The process's user and kernel CPU, the main thread's share of them, its page faults and context
// switches over a run, per iteration, so the report shows which part of an authorization's CPU beyond its floor
// is the kernel's and which is the other threads'.
class CpuSplit {
 public:
  explicit CpuSplit(benchmark::State& state) : state_(state) {
    getrusage(RUSAGE_SELF, &process_);
    getrusage(RUSAGE_THREAD, &mainThread_);
  }
  ~CpuSplit() {
    rusage process{}, mainThread{};
    getrusage(RUSAGE_SELF, &process);
    getrusage(RUSAGE_THREAD, &mainThread);
    const auto milliseconds = [](const timeval& a, const timeval& b) {
      return static_cast<double>(b.tv_sec - a.tv_sec) * 1e3 + static_cast<double>(b.tv_usec - a.tv_usec) / 1e3;
    };
    const auto add = [&](const char* name, double value) {
      state_.counters[name] = benchmark::Counter(value, benchmark::Counter::kAvgIterations);
    };
    add("user_ms", milliseconds(process_.ru_utime, process.ru_utime));
    add("sys_ms", milliseconds(process_.ru_stime, process.ru_stime));
    add("main_user_ms", milliseconds(mainThread_.ru_utime, mainThread.ru_utime));
    add("main_sys_ms", milliseconds(mainThread_.ru_stime, mainThread.ru_stime));
    add("faults", static_cast<double>(process.ru_minflt - process_.ru_minflt));
    add("switches", static_cast<double>(process.ru_nvcsw - process_.ru_nvcsw + process.ru_nivcsw - process_.ru_nivcsw));
  }
  CpuSplit(const CpuSplit&) = delete;
  CpuSplit& operator=(const CpuSplit&) = delete;

 private:
  benchmark::State& state_;
  rusage process_{};
  rusage mainThread_{};
};

class Presenter : public qor::QORAuthControllerDelegate {
 public:
  void authControllerFinishedAuthPrepare(const std::shared_ptr<qor::QORBaseClientActionController>& controller,
                                         int32_t) override {
    std::static_pointer_cast<qor::QORAuthController>(controller)->commitAuth("YES");
  }
  void clientActionControllerFinishedWithStatus(const std::shared_ptr<qor::QORBaseClientActionController>&,
                                                qor::QORStatus s) override {
    status = s;
  }
  std::optional<qor::QORStatus> status;
};

// The reference server with one enrolled device, and the device's keychain; made on the first run
// of either benchmark, stopped at the end of the program.
class EnrolledDevice {
 public:
  static EnrolledDevice& instance() {
    static EnrolledDevice* device = [] {
      auto* made = new EnrolledDevice();
      stopAtEnd([made] { delete made; });
      return made;
    }();
    return *device;
  }

  bool ready() const { return ready_; }
  qortest::RefServer& server() { return server_; }
  const std::shared_ptr<qor::QORKeyPair>& clientKeys() const { return clientKeys_; }
  std::shared_ptr<qor::QORSecretKey> enrolmentKey(const char* name) const {
    return qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(enrolment_.value(name, std::string()));
  }
  // Makes this device's keychain the process keychain (other groups use keychains of their own).
  void use() const { platform::Keychain::setShared(keychain_); }

 private:
  EnrolledDevice() {
    if (!server_.running()) return;
    keychain_ = platform::Keychain::openFile((folder_.path() / "keychain.sqlite").string());
    use();
    platform::URLSession::shared()->addTrustAnchorCertificates(server_.caPath());
    qor::QORDeviceIntegrity::setProbe([] { return qor::QORIntegrityObservations{}; });
    qor::QORCommonData::setHost(server_.host());
    qor::QORCommonData::setPubVtnBase64(server_.pubVtnBase64());
    qor::QORCommonData::setInstallationId(std::string("device-1"));
    qor::QORCommonData::setEnrollmentId(std::string("E-1"));
    qor::QORCommonData::setSkVTN(std::string("enrolled"));
    clientKeys_ = qor::QORCryptUtilsAsymmetric::generateKeyPair();
    enrolment_ = server_.command(
        {{"cmd", "enroll"},
         {"installationId", "device-1"},
         {"enrollmentId", "E-1"},
         {"pubClient", *qor::QORCryptUtilsB64::encodeDataToString(clientKeys_->publicKey()->data())}});
    ready_ = enrolment_.value("ok", false) &&
             qor::SensitiveDataManager::saveSensitiveData(
                 qor::SensitiveData::create(clientKeys_->privateKey(), enrolmentKey("pubSps"), std::nullopt),
                 enrolmentKey("pubStorage"));
  }

  qortest::TempDir folder_;
  qortest::RefServer server_;
  std::shared_ptr<platform::Keychain> keychain_;
  std::shared_ptr<qor::QORKeyPair> clientKeys_;
  Json enrolment_;
  bool ready_ = false;
};

void wholeAuthorization(benchmark::State& state) {
  auto& device = EnrolledDevice::instance();
  if (!device.ready()) return state.SkipWithError("the reference server did not start or enrol the device");
  device.use();
  auto presenter = std::make_shared<Presenter>();
  const CpuSplit split(state);
  for (auto _ : state) {
    presenter->status.reset();
    auto controller = qor::QORAuthController::create(4711);
    controller->setDelegate(presenter);
    controller->start();
    platform::MainQueue::shared()->runUntil([&] { return presenter->status.has_value(); }, platform::seconds(30));
    if (presenter->status != qor::QORStatusSuccess) {
      state.SkipWithError(("the authorization ended with " + std::to_string(presenter->status.value_or(-1))).c_str());
      break;
    }
  }
}

void cryptoFloor(benchmark::State& state, bool validating) {
  auto& device = EnrolledDevice::instance();
  if (!device.ready()) return state.SkipWithError("the reference server did not start or enrol the device");
  device.use();
  // The server's side, made once: what the client opens and seals against. The rotation below
  // runs on a store of its own storage key, so the device's store stays as the server knows it.
  auto serverKey = qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(device.server().pubVtnBase64());
  auto serverDh = qor::QORCryptUtilsAsymmetric::generateKeyPairDh();
  auto answerKey = qor::QORCryptUtilsSymmetric::generateSecretKey();
  auto sealedAnswerKey = qor::QORCryptUtilsAsymmetric::encryptData(answerKey->data(), device.clientKeys()->publicKey());
  const qor::QORKeyPair* storage = &serverKeyPair();  // the server's storage keys have its exponent
  const auto pubSps = device.enrolmentKey("pubSps");
  const platform::Bytes header(150, 'h');
  const size_t requestSizes[] = {70, 200, 330, 40, 620};
  const size_t answerSizes[] = {1500, 150, 40, 1000, 40};
  std::vector<platform::Bytes> answers;
  auto iv = qor::QORCryptUtilsSymmetric::generateIV();
  for (size_t size : answerSizes) {
    answers.push_back(*qor::QORCryptUtilsSymmetric::encryptData(platform::Bytes(size, 'a'), answerKey, iv));
  }
  // What the device's store holds now; put back after the runs.
  const auto keptSession = qor::QORCommonData::skSessionEncrypted();
  const auto keptRecord = qor::QORCommonData::sensitiveDataEncrypted();
  check(qor::SensitiveDataManager::saveSensitiveData(
            qor::SensitiveData::create(device.clientKeys()->privateKey(), pubSps, std::nullopt), storage->publicKey()),
        "sealing the floor's key store");
  const platform::Bytes storageDer = *storage->privateKey()->data();
  FloorRandom pool;
  const CpuSplit split(state);
  for (auto _ : state) {
    if (validating) check(cryptoppPrivateKey(storageDer).Validate(pool, 2), "validating the storage key");
    auto pair = qor::QORCryptUtilsAsymmetric::generateKeyPairDh();
    auto secret = qor::QORCryptUtilsAsymmetric::generateSharedSecretWithPrivateKey(pair->privateKey(), serverDh->publicKey());
    for (int i = 0; i < 5; ++i) benchmark::DoNotOptimize(qor::QORCryptUtilsAsymmetric::encryptData(header, serverKey));
    benchmark::DoNotOptimize(qor::QORCryptUtilsAsymmetric::decryptData(sealedAnswerKey, device.clientKeys()->privateKey()));
    for (size_t size : requestSizes) {
      benchmark::DoNotOptimize(qor::QORCryptUtilsSymmetric::encryptData(platform::Bytes(size, 'r'), secret,
                                                                        qor::QORCryptUtilsSymmetric::generateIV()));
    }
    for (const auto& answer : answers) benchmark::DoNotOptimize(qor::QORCryptUtilsSymmetric::decryptData(answer, answerKey, iv));
    auto store = qor::SensitiveDataManager::getSensitiveDataWithPrvStorage(storage->privateKey());
    qor::SensitiveDataManager::saveSensitiveData(store, storage->publicKey());
    benchmark::DoNotOptimize(qor::QORCryptUtilsAsymmetric::encryptData(platform::Bytes(29, 'v'), pubSps));
    for (int i = 0; i < 3; ++i) benchmark::DoNotOptimize(qor::QORCryptUtils::generateNonce(std::string(16, 's'), header));
    for (size_t size : {answerSizes[0], answerSizes[3]}) benchmark::DoNotOptimize(platform::sha256(platform::Bytes(size, 'b')));
  }
  qor::QORCommonData::setSkSessionEncrypted(keptSession);
  qor::QORCommonData::setSensitiveDataEncrypted(keptRecord);
}

void cryptoFloorKeptKeys(benchmark::State& state) { cryptoFloor(state, false); }
void cryptoFloorValidating(benchmark::State& state) { cryptoFloor(state, true); }

}  // namespace

BENCHMARK(wholeAuthorization)
    ->Name("authorization.whole")
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);
BENCHMARK(cryptoFloorKeptKeys)
    ->Name("authorization.crypto_floor")
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK(cryptoFloorValidating)
    ->Name("authorization.crypto_floor_validating")
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace qorbench
