#include "tests/support/TestCertificates.h"

#include <arpa/inet.h>

#include <fstream>
#include <stdexcept>

#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace qortest {
namespace {

struct KeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct CertFree {
  void operator()(X509* c) const { X509_free(c); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyFree>;
using CertPtr = std::unique_ptr<X509, CertFree>;

KeyPtr newKey() {
  KeyPtr key(EVP_EC_gen("P-256"));
  if (!key) throw std::runtime_error("key generation failed");
  return key;
}

std::string pemOf(X509* cert) {
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(bio, cert);
  char* data = nullptr;
  const long n = BIO_get_mem_data(bio, &data);
  std::string text(data, static_cast<size_t>(n));
  BIO_free(bio);
  return text;
}

std::string pemOf(EVP_PKEY* key) {
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
  char* data = nullptr;
  const long n = BIO_get_mem_data(bio, &data);
  std::string text(data, static_cast<size_t>(n));
  BIO_free(bio);
  return text;
}

void addExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
  if (!ext) throw std::runtime_error("bad extension " + value);
  X509_add_ext(cert, ext, -1);
  X509_EXTENSION_free(ext);
}

CertPtr makeCertificate(EVP_PKEY* key, const std::string& commonName, X509* issuer, EVP_PKEY* issuerKey,
                        std::chrono::seconds from, std::chrono::seconds until, long serial) {
  CertPtr cert(X509_new());
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), static_cast<long>(from.count()));
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), static_cast<long>(until.count()));
  X509_set_pubkey(cert.get(), key);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(commonName.c_str()),
                             -1, -1, 0);
  X509_set_issuer_name(cert.get(), issuer ? X509_get_subject_name(issuer) : name);
  X509* signer = issuer ? issuer : cert.get();
  if (!issuer) {
    addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE");
    addExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
  }
  X509_sign(cert.get(), issuerKey ? issuerKey : key, EVP_sha256());
  return cert;
}

bool isIp(const std::string& host) {
  unsigned char buf[16];
  return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

}  // namespace

struct TestCertificateAuthority::Impl {
  KeyPtr key;
  CertPtr cert;
  std::string pem;
  mutable long serial = 2;
};

TestCertificateAuthority::TestCertificateAuthority(const std::string& commonName) : impl_(std::make_unique<Impl>()) {
  impl_->key = newKey();
  impl_->cert = makeCertificate(impl_->key.get(), commonName, nullptr, nullptr, -std::chrono::hours(24),
                                std::chrono::hours(24 * 30), 1);
  impl_->pem = pemOf(impl_->cert.get());
}

TestCertificateAuthority::~TestCertificateAuthority() = default;

const std::string& TestCertificateAuthority::certificatePem() const { return impl_->pem; }

CertifiedKey TestCertificateAuthority::issue(const std::vector<std::string>& hostNames, std::chrono::seconds validFrom,
                                             std::chrono::seconds validUntil) const {
  KeyPtr key = newKey();
  const std::string cn = hostNames.empty() ? "server" : hostNames.front();
  CertPtr cert = makeCertificate(key.get(), cn, impl_->cert.get(), impl_->key.get(), validFrom, validUntil,
                                 impl_->serial++);
  std::string san;
  for (const auto& h : hostNames) {
    if (!san.empty()) san += ",";
    san += (isIp(h) ? "IP:" : "DNS:") + h;
  }
  // Extensions change the signed part, so sign again after adding them.
  if (!san.empty()) addExtension(cert.get(), impl_->cert.get(), NID_subject_alt_name, san);
  addExtension(cert.get(), impl_->cert.get(), NID_ext_key_usage, "serverAuth");
  X509_sign(cert.get(), impl_->key.get(), EVP_sha256());
  return {pemOf(cert.get()), pemOf(key.get())};
}

std::string writeTextFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return path.string();
}

}  // namespace qortest
