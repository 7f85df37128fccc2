// Shared helpers of the transport tests: the certificates of one test run and a recording client.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "common/websocket/transport/TransportEventClient.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TestSupport.h"

namespace transporttest {

struct CertFiles {
  std::string cert;
  std::string key;
  std::string certPem;
};

// Made once per test program; the CA is a trust anchor from then on.
struct Pki {
  qortest::TempDir dir;
  qortest::TestCertificateAuthority ca{"QOR Test CA"};
  qortest::TestCertificateAuthority unknownCa{"QOR Unknown CA"};
  CertFiles good;       // localhost and 127.0.0.1, by the CA
  CertFiles wrongHost;  // other.test, by the CA
  CertFiles unknown;    // localhost, by a CA nobody trusts
  CertFiles expired;    // localhost, by the CA, expired yesterday

  static Pki& shared();

 private:
  Pki();
  CertFiles write(const std::string& name, const qortest::CertifiedKey& issued);
};

// Records what a transport reports.
class Recorder : public qor::TransportEventClient {
 public:
  void connectionChanged(const qor::ConnectionState& state) override;

  // Waits (real time) until `done` holds; true when it did.
  bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10));

  int count(size_t caseIndex) const;
  int connected() const { return count(0); }
  int waiting() const { return count(1); }
  int cancelled() const { return count(2); }
  int failed() const { return count(3); }
  std::string received() const;
  qor::ErrorPtr firstFailure() const;
  // Case index of every event, in order.
  std::vector<size_t> sequence() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<qor::ConnectionState> events_;
  std::string received_;
};

}  // namespace transporttest
