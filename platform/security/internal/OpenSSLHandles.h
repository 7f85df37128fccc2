// Owning handles for the OpenSSL objects the stand-ins use, so no raw free call is forgotten.
// Private to platform/: OpenSSL's headers never reach a public header.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <openssl/x509_vfy.h>

#include "platform/Bytes.h"

namespace platform::detail {

template <class T, void (*Free)(T*)>
struct OpenSSLDeleter {
  void operator()(T* p) const { Free(p); }
};

using X509Ptr = std::unique_ptr<X509, OpenSSLDeleter<X509, X509_free>>;
using X509StorePtr = std::unique_ptr<X509_STORE, OpenSSLDeleter<X509_STORE, X509_STORE_free>>;
using X509StoreCtxPtr = std::unique_ptr<X509_STORE_CTX, OpenSSLDeleter<X509_STORE_CTX, X509_STORE_CTX_free>>;
using BioPtr = std::unique_ptr<BIO, OpenSSLDeleter<BIO, BIO_free_all>>;
using SslCtxPtr = std::unique_ptr<SSL_CTX, OpenSSLDeleter<SSL_CTX, SSL_CTX_free>>;
using SslPtr = std::unique_ptr<SSL, OpenSSLDeleter<SSL, SSL_free>>;

struct X509StackDeleter {
  void operator()(STACK_OF(X509) * s) const { sk_X509_pop_free(s, X509_free); }
};
using X509StackPtr = std::unique_ptr<STACK_OF(X509), X509StackDeleter>;

X509Ptr x509FromDer(const Bytes& der);
Bytes derFromX509(X509* cert);
// Every certificate of a PEM text, in order, up to the first block that does not read.
std::vector<X509Ptr> x509sFromPEM(std::string_view pem);

}  // namespace platform::detail
