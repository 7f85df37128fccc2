// One whole authorization (wake-up, both handshake steps, prepare, commit, with the key-store
// rotation) against the reference server on loopback, measured as the client's CPU time (every
// thread of this process; the server is another process), beside the floor: the crypto that one
// authorization cannot do without, done alone:
// - the ECDH key pair and the agreement (brainpoolP256r1),
// - five RSA seals of the request headers under the server's key, one RSA open of the handshake's
//   answer key, one RSA seal of the user's answer,
// - five AES-GCM seals of request bodies and five opens of answers, at the sizes of the wire,
// - the key-store rotation (open under the storage key, seal under the next, both keychain items),
// - the MD5 nonces and the SHA-256 digests of the two code blocks.
// Run: build/tools/authbench/authbench  (prints both and their ratio).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

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

namespace {

using platform::Json;

qortest::RefServer* gServer = nullptr;
std::shared_ptr<qor::QORKeyPair> gClientKeys;
Json gEnrolment;

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

std::shared_ptr<qor::QORSecretKey> keyOf(const char* name) {
  return qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(gEnrolment.value(name, std::string()));
}

bool setUp() {
  gServer = new qortest::RefServer();
  if (!gServer->running()) return false;
  platform::URLSession::shared()->addTrustAnchorCertificates(gServer->caPath());
  platform::Keychain::setShared(platform::Keychain::inMemory());
  qor::QORDeviceIntegrity::setProbe([] { return qor::QORIntegrityObservations{}; });
  qor::QORCommonData::setHost(gServer->host());
  qor::QORCommonData::setPubVtnBase64(gServer->pubVtnBase64());
  qor::QORCommonData::setInstallationId(std::string("device-1"));
  qor::QORCommonData::setEnrollmentId(std::string("E-1"));
  qor::QORCommonData::setSkVTN(std::string("enrolled"));
  gClientKeys = qor::QORCryptUtilsAsymmetric::generateKeyPair();
  gEnrolment = gServer->command({{"cmd", "enroll"},
                                 {"installationId", "device-1"},
                                 {"enrollmentId", "E-1"},
                                 {"pubClient", *qor::QORCryptUtilsB64::encodeDataToString(gClientKeys->publicKey()->data())}});
  return gEnrolment.value("ok", false) &&
         qor::SensitiveDataManager::saveSensitiveData(
             qor::SensitiveData::create(gClientKeys->privateKey(), keyOf("pubSps"), std::nullopt), keyOf("pubStorage"));
}

void WholeAuthorization(benchmark::State& state) {
  auto presenter = std::make_shared<Presenter>();
  for (auto _ : state) {
    presenter->status.reset();
    auto controller = qor::QORAuthController::create(4711);
    controller->setDelegate(presenter);
    controller->start();
    platform::MainQueue::shared()->runUntil([&] { return presenter->status.has_value(); }, platform::seconds(30));
    if (presenter->status != 1) {
      state.SkipWithError(("the authorization ended with " + std::to_string(presenter->status.value_or(-1))).c_str());
      break;
    }
  }
}

void CryptoFloor(benchmark::State& state) {
  // The server's side, made once: what the client opens and seals against.
  auto serverKey = qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(gServer->pubVtnBase64());
  auto serverDh = qor::QORCryptUtilsAsymmetric::generateKeyPairDh();
  auto answerKey = qor::QORCryptUtilsSymmetric::generateSecretKey();
  auto sealedAnswerKey = qor::QORCryptUtilsAsymmetric::encryptData(answerKey->data(), gClientKeys->publicKey());
  auto storage = qor::QORCryptUtilsAsymmetric::generateKeyPair();
  qor::SensitiveDataManager::saveSensitiveData(
      qor::SensitiveData::create(gClientKeys->privateKey(), keyOf("pubSps"), std::nullopt), storage->publicKey());
  const platform::Bytes header(150, 'h');
  const size_t requestSizes[] = {70, 200, 330, 40, 620};
  const size_t answerSizes[] = {1500, 150, 40, 1000, 40};
  std::vector<platform::Bytes> answers;
  auto iv = qor::QORCryptUtilsSymmetric::generateIV();
  for (size_t size : answerSizes) {
    answers.push_back(*qor::QORCryptUtilsSymmetric::encryptData(platform::Bytes(size, 'a'), answerKey, iv));
  }
  for (auto _ : state) {
    auto pair = qor::QORCryptUtilsAsymmetric::generateKeyPairDh();
    auto secret = qor::QORCryptUtilsAsymmetric::generateSharedSecretWithPrivateKey(pair->privateKey(), serverDh->publicKey());
    for (int i = 0; i < 5; ++i) benchmark::DoNotOptimize(qor::QORCryptUtilsAsymmetric::encryptData(header, serverKey));
    benchmark::DoNotOptimize(qor::QORCryptUtilsAsymmetric::decryptData(sealedAnswerKey, gClientKeys->privateKey()));
    for (size_t size : requestSizes) {
      benchmark::DoNotOptimize(qor::QORCryptUtilsSymmetric::encryptData(platform::Bytes(size, 'r'), secret,
                                                                        qor::QORCryptUtilsSymmetric::generateIV()));
    }
    for (const auto& answer : answers) benchmark::DoNotOptimize(qor::QORCryptUtilsSymmetric::decryptData(answer, answerKey, iv));
    auto store = qor::SensitiveDataManager::getSensitiveDataWithPrvStorage(storage->privateKey());
    qor::SensitiveDataManager::saveSensitiveData(store, storage->publicKey());
    benchmark::DoNotOptimize(qor::QORCryptUtilsAsymmetric::encryptData(platform::Bytes(29, 'v'), keyOf("pubSps")));
    for (int i = 0; i < 3; ++i) benchmark::DoNotOptimize(qor::QORCryptUtils::generateNonce(std::string(16, 's'), header));
    for (size_t size : {answerSizes[0], answerSizes[3]}) benchmark::DoNotOptimize(platform::sha256(platform::Bytes(size, 'b')));
  }
}

BENCHMARK(WholeAuthorization)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK(CryptoFloor)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps the CPU time per iteration of each run, to print their ratio at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        cpuMs[run.benchmark_name()] = run.cpu_accumulated_time * 1e3 / static_cast<double>(run.iterations);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> cpuMs;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!setUp()) {
    std::fprintf(stderr, "the reference server did not start or enrol the device\n");
    return 1;
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double whole = 0, floor = 0;
  for (const auto& [name, ms] : reporter.cpuMs) {
    if (name.rfind("WholeAuthorization", 0) == 0) whole = ms;
    if (name.rfind("CryptoFloor", 0) == 0) floor = ms;
  }
  if (whole > 0 && floor > 0) {
    std::printf("client CPU per authorization %.3f ms, crypto floor %.3f ms, ratio %.2f\n", whole, floor, whole / floor);
  }
  delete gServer;
  return 0;
}
