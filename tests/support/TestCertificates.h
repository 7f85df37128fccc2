// Certificates made at test time: a CA and the server certificates it issues (EC P-256 keys).
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qortest {

struct CertifiedKey {
  std::string certificatePem;
  std::string privateKeyPem;
};

class TestCertificateAuthority {
 public:
  explicit TestCertificateAuthority(const std::string& commonName = "QOR Test CA");
  ~TestCertificateAuthority();
  TestCertificateAuthority(const TestCertificateAuthority&) = delete;
  TestCertificateAuthority& operator=(const TestCertificateAuthority&) = delete;

  const std::string& certificatePem() const;
  // A server certificate for the host names (DNS names or IP literals; the first is also the common
  // name), valid from `validFrom` to `validUntil`, both relative to now.
  CertifiedKey issue(const std::vector<std::string>& hostNames,
                     std::chrono::seconds validFrom = -std::chrono::hours(1),
                     std::chrono::seconds validUntil = std::chrono::hours(24)) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Writes `text` to `path` (replacing it) and returns the path as text.
std::string writeTextFile(const std::filesystem::path& path, const std::string& text);

}  // namespace qortest
