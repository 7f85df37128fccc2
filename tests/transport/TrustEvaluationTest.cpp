// Trust objects and FoundationSecurity::evaluateTrust on every system-version branch.
#include <gtest/gtest.h>

#include "common/websocket/security/FoundationSecurity.h"
#include "common/websocket/security/FoundationSecurityError.h"
#include "platform/OSVersion.h"
#include "platform/security/SecTrust.h"
#include "tests/transport/TransportTestUtil.h"

namespace {

using platform::SecCertificate;
using platform::SecPolicy;
using platform::SecTrust;
using transporttest::Pki;

std::shared_ptr<SecTrust> trustFor(const std::string& certPem, std::optional<std::string> host = "localhost") {
  return SecTrust::create(SecCertificate::createFromPEM(certPem), {SecPolicy::createSSL(true, std::move(host))});
}

qor::PinningState evaluate(const std::shared_ptr<SecTrust>& trust, const std::optional<std::string>& domain,
                           bool allowSelfSigned = false) {
  qor::FoundationSecurity security(allowSelfSigned);
  std::optional<qor::PinningState> verdict;
  int calls = 0;
  security.evaluateTrust(trust, domain, [&](qor::PinningState s) {
    verdict = s;
    ++calls;
  });
  EXPECT_EQ(calls, 1) << "the completion runs exactly once, before evaluateTrust returns";
  return verdict.value_or(qor::PinningState::failed(std::nullopt));
}

enum class Chain { good, wrongHost, unknown, expired };

std::string pemOf(Chain chain) {
  auto& pki = Pki::shared();
  switch (chain) {
    case Chain::good: return pki.good.certPem;
    case Chain::wrongHost: return pki.wrongHost.certPem;
    case Chain::unknown: return pki.unknown.certPem;
    case Chain::expired: return pki.expired.certPem;
  }
  return {};
}

struct EvaluationCase {
  const char* name;
  Chain chain;
  const char* domain;
  bool trusted;
  int32_t modernCode;  // NSOSStatusErrorDomain code from system 12 on
};

class EvaluationTest : public ::testing::TestWithParam<std::tuple<EvaluationCase, platform::OperatingSystemVersion>> {};

TEST_P(EvaluationTest, VerdictAndErrorFollowTheSystemBranch) {
  const auto& [c, version] = GetParam();
  platform::ScopedOperatingSystemVersion os(version);
  const auto verdict = evaluate(trustFor(pemOf(c.chain)), std::string(c.domain));
  ASSERT_EQ(verdict.isSuccess(), c.trusted);
  if (c.trusted) return;
  ASSERT_TRUE(verdict.error.has_value()) << "a refusal says why";
  if (version.majorVersion >= 12) {
    EXPECT_EQ(verdict.error->domain, platform::kOSStatusErrorDomain);
    EXPECT_EQ(verdict.error->code, c.modernCode);
  } else {
    EXPECT_EQ(verdict.error->domain, qor::kFoundationSecurityErrorDomain);
    EXPECT_EQ(verdict.error->code, static_cast<int64_t>(platform::SecTrustResultType::recoverableTrustFailure));
  }
}

const EvaluationCase kEvaluationCases[] = {
    {"trusted", Chain::good, "localhost", true, 0},
    {"trustedByAddress", Chain::good, "127.0.0.1", true, 0},
    {"wrongHost", Chain::wrongHost, "localhost", false, platform::errSecHostNameMismatch},
    {"otherNameOfGoodChain", Chain::good, "example.org", false, platform::errSecHostNameMismatch},
    {"unknownAuthority", Chain::unknown, "localhost", false, platform::errSecNotTrusted},
    {"expired", Chain::expired, "localhost", false, platform::errSecCertificateExpired},
};

INSTANTIATE_TEST_SUITE_P(
    AllBranches, EvaluationTest,
    ::testing::Combine(::testing::ValuesIn(kEvaluationCases),
                       ::testing::Values(platform::OperatingSystemVersion{17, 0, 0},
                                         platform::OperatingSystemVersion{12, 4, 0},
                                         platform::OperatingSystemVersion{11, 4, 0})),
    [](const auto& param) {
      return std::string(std::get<0>(param.param).name) + "_os" + std::to_string(std::get<1>(param.param).majorVersion);
    });

TEST(TrustEvaluation, AnEvaluationThatCannotRunIsNeverTrusted) {
  // A trust without certificates: the legacy call fails and leaves its result untouched.
  for (int major : {17, 12, 11}) {
    platform::ScopedOperatingSystemVersion os({major, 0, 0});
    const auto verdict = evaluate(SecTrust::create({}, {}), std::string("localhost"));
    EXPECT_FALSE(verdict.isSuccess()) << "system " << major;
    ASSERT_TRUE(verdict.error.has_value());
    EXPECT_EQ(verdict.error->code, platform::errSecParam) << "system " << major;
  }
  platform::SecTrustResultType result = platform::SecTrustResultType::unspecified;
  EXPECT_EQ(SecTrust::create({}, {})->evaluate(&result), platform::errSecParam);
}

TEST(TrustEvaluation, WithoutADomainTheTrustKeepsItsOwnPolicies) {
  EXPECT_FALSE(evaluate(trustFor(Pki::shared().good.certPem, "other.test"), std::nullopt).isSuccess());
  EXPECT_TRUE(evaluate(trustFor(Pki::shared().good.certPem, "other.test"), std::string("localhost")).isSuccess());
}

TEST(TrustEvaluation, AllowSelfSignedAcceptsAnythingAndLeavesPoliciesAlone) {
  auto trust = trustFor(Pki::shared().unknown.certPem, "kept.test");
  EXPECT_TRUE(evaluate(trust, std::string("localhost"), true).isSuccess());
  ASSERT_EQ(trust->policies().size(), 1u);
  EXPECT_EQ(trust->policies()[0]->hostname(), "kept.test");
}

TEST(TrustEvaluation, LegacyResultForTrustedAndRefusedChains) {
  platform::SecTrustResultType result = platform::SecTrustResultType::invalid;
  EXPECT_EQ(trustFor(Pki::shared().good.certPem)->evaluate(&result), platform::errSecSuccess);
  EXPECT_EQ(result, platform::SecTrustResultType::unspecified);
  EXPECT_EQ(trustFor(Pki::shared().unknown.certPem)->evaluate(&result), platform::errSecSuccess);
  EXPECT_EQ(result, platform::SecTrustResultType::recoverableTrustFailure);
}

TEST(TrustEvaluation, CertificatesParseOnlyFromWholeCertificates) {
  const auto certs = SecCertificate::createFromPEM(Pki::shared().good.certPem + Pki::shared().ca.certificatePem());
  ASSERT_EQ(certs.size(), 2u);
  EXPECT_EQ(certs[0]->subjectSummary(), "localhost");
  EXPECT_NE(SecCertificate::createWithData(certs[0]->data()), nullptr);
  platform::Bytes truncated(certs[0]->data().begin(), certs[0]->data().end() - 1);
  EXPECT_EQ(SecCertificate::createWithData(truncated), nullptr);
  platform::Bytes padded = certs[0]->data();
  padded.push_back(0);
  EXPECT_EQ(SecCertificate::createWithData(padded), nullptr);
  EXPECT_TRUE(SecCertificate::createFromPEM("not a certificate").empty());
}

TEST(OperatingSystemVersion, TestsCanSetItAndItComesBack) {
  const auto before = platform::operatingSystemVersion();
  {
    platform::ScopedOperatingSystemVersion os({11, 2, 0});
    EXPECT_FALSE(platform::isOperatingSystemAtLeast({12, 0, 0}));
    EXPECT_TRUE(platform::isOperatingSystemAtLeast({11, 2, 0}));
  }
  EXPECT_EQ(platform::operatingSystemVersion(), before);
  EXPECT_TRUE(platform::isOperatingSystemAtLeast({13, 0, 0}));
}

}  // namespace
