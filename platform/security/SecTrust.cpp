#include "platform/security/SecTrust.h"

#include <arpa/inet.h>

#include <openssl/err.h>

#include "platform/security/internal/TrustAnchors.h"

namespace platform {
namespace {

using namespace detail;

struct Verdict {
  OSStatus callStatus = errSecSuccess;  // the evaluation could not run when not errSecSuccess
  bool trusted = false;
  OSStatus reason = errSecSuccess;
  SecTrustResultType result = SecTrustResultType::invalid;
  std::string message;
};

bool isIpLiteral(const std::string& host) {
  unsigned char buf[16];
  return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

OSStatus reasonFor(int x509Error) {
  switch (x509Error) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
      return errSecCertificateExpired;
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return errSecCertificateNotValidYet;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return errSecHostNameMismatch;
    default:
      return errSecNotTrusted;
  }
}

// Checks the chain against one policy.
Verdict verifyOne(X509* leaf, STACK_OF(X509) * untrusted, X509_STORE* store, const SecPolicy& policy) {
  Verdict v;
  X509StoreCtxPtr ctx(X509_STORE_CTX_new());
  if (!ctx || X509_STORE_CTX_init(ctx.get(), store, leaf, untrusted) != 1) {
    v.callStatus = errSecParam;
    return v;
  }
  X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(ctx.get());
  if (policy.isSSL()) {
    X509_STORE_CTX_set_purpose(ctx.get(), policy.isServer() ? X509_PURPOSE_SSL_SERVER : X509_PURPOSE_SSL_CLIENT);
    if (const auto& host = policy.hostname(); host && !host->empty()) {
      X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
      const int ok = isIpLiteral(*host) ? X509_VERIFY_PARAM_set1_ip_asc(param, host->c_str())
                                        : X509_VERIFY_PARAM_set1_host(param, host->c_str(), host->size());
      if (ok != 1) {
        v.reason = errSecHostNameMismatch;
        v.result = SecTrustResultType::recoverableTrustFailure;
        v.message = "the host name \"" + *host + "\" cannot be checked";
        return v;
      }
    }
  }
  if (X509_verify_cert(ctx.get()) == 1) {
    v.trusted = true;
    v.result = SecTrustResultType::unspecified;
    return v;
  }
  const int err = X509_STORE_CTX_get_error(ctx.get());
  v.reason = reasonFor(err);
  v.result = err == X509_V_ERR_CERT_SIGNATURE_FAILURE ? SecTrustResultType::fatalTrustFailure
                                                       : SecTrustResultType::recoverableTrustFailure;
  v.message = X509_verify_cert_error_string(err);
  return v;
}

Verdict verify(const std::vector<std::shared_ptr<SecCertificate>>& certificates,
               const std::vector<std::shared_ptr<SecPolicy>>& policies) {
  Verdict v;
  if (certificates.empty()) {
    v.callStatus = errSecParam;
    return v;
  }
  X509Ptr leaf = x509FromDer(certificates.front()->data());
  X509StackPtr untrusted(sk_X509_new_null());
  X509StorePtr store = makeAnchorStore();
  if (!leaf || !untrusted || !store) {
    v.callStatus = errSecParam;
    return v;
  }
  for (size_t i = 1; i < certificates.size(); ++i) {
    if (auto c = x509FromDer(certificates[i]->data())) sk_X509_push(untrusted.get(), c.release());
  }
  // Without a policy the chain alone is checked.
  auto basic = SecPolicy::createBasicX509();
  std::vector<std::shared_ptr<SecPolicy>> checks = policies.empty() ? std::vector{basic} : policies;
  for (const auto& policy : checks) {
    v = verifyOne(leaf.get(), untrusted.get(), store.get(), *policy);
    if (!v.trusted) break;
  }
  ERR_clear_error();
  if (!v.trusted && v.callStatus == errSecSuccess) {
    v.message = "\"" + certificates.front()->subjectSummary() + "\" certificate is not trusted: " + v.message;
  }
  return v;
}

}  // namespace

std::shared_ptr<SecTrust> SecTrust::create(std::vector<std::shared_ptr<SecCertificate>> certificates,
                                           std::vector<std::shared_ptr<SecPolicy>> policies) {
  std::erase(certificates, nullptr);
  std::erase(policies, nullptr);
  return std::shared_ptr<SecTrust>(new SecTrust(std::move(certificates), std::move(policies)));
}

std::vector<std::shared_ptr<SecPolicy>> SecTrust::policies() const {
  std::lock_guard lock(mutex_);
  return policies_;
}

OSStatus SecTrust::setPolicies(std::vector<std::shared_ptr<SecPolicy>> policies) {
  if (policies.empty()) return errSecParam;
  for (const auto& p : policies) {
    if (!p) return errSecParam;
  }
  std::lock_guard lock(mutex_);
  policies_ = std::move(policies);
  return errSecSuccess;
}

bool SecTrust::evaluateWithError(std::optional<Error>* error) {
  const Verdict v = verify(certificates_, policies());
  if (error) error->reset();
  if (v.trusted) return true;
  if (error) {
    const OSStatus code = v.callStatus != errSecSuccess ? v.callStatus : v.reason;
    std::string message = v.callStatus != errSecSuccess ? "the trust object cannot be evaluated" : v.message;
    *error = Error::make(kOSStatusErrorDomain, code, {{kLocalizedDescriptionKey, message}});
  }
  return false;
}

OSStatus SecTrust::evaluate(SecTrustResultType* result) {
  const Verdict v = verify(certificates_, policies());
  if (v.callStatus != errSecSuccess) return v.callStatus;
  if (result) *result = v.result;
  return errSecSuccess;
}

}  // namespace platform
