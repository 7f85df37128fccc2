#include "tools/bench/BenchSupport.h"

#include <cryptopp/filters.h>
#include <cryptopp/queue.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/internal/LibraryKeys.h"

namespace qorbench {

const qor::QORKeyPair& rsaKeyPair() {
  static const std::shared_ptr<qor::QORKeyPair> pair = qor::QORCryptUtilsAsymmetric::generateKeyPair();
  check(pair != nullptr, "RSA key generation");
  return *pair;
}

const qor::QORKeyPair& serverKeyPair() {
  static const std::shared_ptr<qor::QORKeyPair> pair = [] {
    FloorRandom rng;
    CryptoPP::RSA::PrivateKey privateKey;
    privateKey.Initialize(rng, 2048, 65537);
    CryptoPP::ByteQueue privateDer, publicDer;
    privateKey.Save(privateDer);
    CryptoPP::RSA::PublicKey(privateKey).Save(publicDer);
    auto bytesOf = [](CryptoPP::ByteQueue& queue) {
      platform::Bytes out(static_cast<size_t>(queue.MaxRetrievable()));
      queue.Get(out.data(), out.size());
      return out;
    };
    return qor::QORKeyPair::create(bytesOf(publicDer), bytesOf(privateDer));
  }();
  check(pair != nullptr, "RSA key generation");
  return *pair;
}

template <class Key>
static Key load(const platform::Bytes& der) {
  Key key;
  CryptoPP::ArraySource source(der.data(), der.size(), true);
  key.Load(source);
  return key;
}

CryptoPP::RSA::PrivateKey cryptoppPrivateKey(const platform::Bytes& der) { return load<CryptoPP::RSA::PrivateKey>(der); }
CryptoPP::RSA::PublicKey cryptoppPublicKey(const platform::Bytes& der) { return load<CryptoPP::RSA::PublicKey>(der); }

static std::vector<std::function<void()>>& stops() {
  static std::vector<std::function<void()>> list;
  return list;
}

void stopAtEnd(std::function<void()> stop) { stops().push_back(std::move(stop)); }

void stopPeers() {
  auto& list = stops();
  while (!list.empty()) {
    auto stop = std::move(list.back());
    list.pop_back();
    stop();
  }
}

void forgetValidatedKeys() { qor::internal::validatedPrivateKeys().clear(); }

bool check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "qor_bench: %s failed\n", what);
    std::exit(1);
  }
  return ok;
}

}  // namespace qorbench
