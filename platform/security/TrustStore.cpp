#include "platform/security/TrustStore.h"

#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/security/SecCertificate.h"
#include "platform/security/internal/TrustAnchors.h"

namespace platform {
namespace {

struct Anchors {
  std::mutex mutex;
  std::vector<Bytes> der;
};

Anchors& anchors() {
  static Anchors* a = new Anchors();
  return *a;
}

}  // namespace

bool TrustStore::addTestAnchorsFromPEM(std::string_view pem) {
  auto certs = SecCertificate::createFromPEM(pem);
  if (certs.empty()) return false;
  std::lock_guard lock(anchors().mutex);
  for (const auto& c : certs) anchors().der.push_back(c->data());
  return true;
}

bool TrustStore::addTestAnchorsFromFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  return addTestAnchorsFromPEM(text.str());
}

void TrustStore::removeTestAnchors() {
  std::lock_guard lock(anchors().mutex);
  anchors().der.clear();
}

namespace detail {

X509StorePtr makeAnchorStore() {
  X509StorePtr store(X509_STORE_new());
  if (!store) return store;
  X509_STORE_set_default_paths(store.get());
  ERR_clear_error();  // a missing system folder is not a failure of the evaluation
  std::lock_guard lock(anchors().mutex);
  for (const auto& der : anchors().der) {
    if (auto cert = x509FromDer(der)) X509_STORE_add_cert(store.get(), cert.get());
  }
  ERR_clear_error();  // an anchor added twice
  return store;
}

}  // namespace detail
}  // namespace platform
