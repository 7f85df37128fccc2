#include "tests/transport/TransportTestUtil.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/security/TrustStore.h"
#include "platform/socket/internal/Channel.h"

namespace transporttest {

Pki& Pki::shared() {
  // Never destroyed (connections may still read it during exit); only its files go at exit.
  static Pki* pki = new Pki();
  static const struct RemoveFiles {
    ~RemoveFiles() {
      std::error_code ignored;
      std::filesystem::remove_all(pki->dir.path(), ignored);
    }
  } removeFiles;
  return *pki;
}

Pki::Pki() {
  using namespace std::chrono;
  good = write("good", ca.issue({"localhost", "127.0.0.1"}));
  wrongHost = write("wrong-host", ca.issue({"other.test"}));
  unknown = write("unknown", unknownCa.issue({"localhost", "127.0.0.1"}));
  expired = write("expired", ca.issue({"localhost", "127.0.0.1"}, -hours(48), -hours(24)));
  platform::TrustStore::addTestAnchorsFromPEM(ca.certificatePem());
}

CertFiles Pki::write(const std::string& name, const qortest::CertifiedKey& issued) {
  return {qortest::writeTextFile(dir.path() / (name + ".pem"), issued.certificatePem),
          qortest::writeTextFile(dir.path() / (name + ".key"), issued.privateKeyPem), issued.certificatePem};
}

void Recorder::connectionChanged(const qor::ConnectionState& state) {
  {
    std::lock_guard lock(mutex_);
    events_.push_back(state);
    if (auto r = state.as<qor::ConnectionState::Receive>()) received_.append(r->data.begin(), r->data.end());
  }
  cv_.notify_all();
}

bool Recorder::waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  std::unique_lock lock(mutex_);
  while (true) {
    lock.unlock();
    const bool ok = done();
    lock.lock();
    if (ok) return true;
    if (cv_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(20))) ==
            std::cv_status::timeout &&
        std::chrono::steady_clock::now() >= deadline) {
      lock.unlock();
      return done();
    }
  }
}

int Recorder::count(size_t caseIndex) const {
  std::lock_guard lock(mutex_);
  int n = 0;
  for (const auto& e : events_) n += e.value.index() == caseIndex;
  return n;
}

std::string Recorder::received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

qor::ErrorPtr Recorder::firstFailure() const {
  std::lock_guard lock(mutex_);
  for (const auto& e : events_) {
    if (auto f = e.as<qor::ConnectionState::Failed>()) return f->error;
  }
  return nullptr;
}

std::vector<size_t> Recorder::sequence() const {
  std::lock_guard lock(mutex_);
  std::vector<size_t> out;
  for (const auto& e : events_) out.push_back(e.value.index());
  return out;
}

}  // namespace transporttest

namespace {

// I/O threads that are still closing their sockets when the program ends would look like leaks.
class LetSocketsClose : public ::testing::Environment {
 public:
  void TearDown() override { platform::detail::Channel::waitForAllThreads(std::chrono::seconds(10)); }
};

[[maybe_unused]] ::testing::Environment* const kLetSocketsClose =
    ::testing::AddGlobalTestEnvironment(new LetSocketsClose());

}  // namespace
