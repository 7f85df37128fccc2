#include "platform/security/SecCertificate.h"

#include <openssl/pem.h>

#include "platform/security/internal/OpenSSLHandles.h"

namespace platform {

namespace detail {

X509Ptr x509FromDer(const Bytes& der) {
  const unsigned char* p = der.data();
  X509Ptr cert(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
  // Trailing bytes mean this was not exactly one certificate.
  if (cert && p != der.data() + der.size()) cert.reset();
  return cert;
}

Bytes derFromX509(X509* cert) {
  unsigned char* out = nullptr;
  const int n = i2d_X509(cert, &out);
  if (n <= 0) return {};
  Bytes der(out, out + n);
  OPENSSL_free(out);
  return der;
}

std::vector<X509Ptr> x509sFromPEM(std::string_view pem) {
  std::vector<X509Ptr> certificates;
  BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  if (!bio) return certificates;
  while (X509Ptr cert{PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)}) certificates.push_back(std::move(cert));
  ERR_clear_error();  // the end of the text reads as an error
  return certificates;
}

}  // namespace detail

std::shared_ptr<SecCertificate> SecCertificate::createWithData(const Bytes& der) {
  if (der.empty() || !detail::x509FromDer(der)) return nullptr;
  return std::shared_ptr<SecCertificate>(new SecCertificate(der));
}

std::vector<std::shared_ptr<SecCertificate>> SecCertificate::createFromPEM(std::string_view pem) {
  std::vector<std::shared_ptr<SecCertificate>> result;
  for (const auto& cert : detail::x509sFromPEM(pem)) {
    result.push_back(std::shared_ptr<SecCertificate>(new SecCertificate(detail::derFromX509(cert.get()))));
  }
  return result;
}

std::string SecCertificate::subjectSummary() const {
  auto cert = detail::x509FromDer(der_);
  if (!cert) return {};
  X509_NAME* name = X509_get_subject_name(cert.get());
  char buffer[256] = {};
  if (X509_NAME_get_text_by_NID(name, NID_commonName, buffer, sizeof buffer) > 0) return buffer;
  X509_NAME_oneline(name, buffer, sizeof buffer);
  return buffer;
}

}  // namespace platform
