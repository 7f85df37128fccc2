// The crypto utilities against raw Crypto++ (the library they wrap) and OpenSSL. The floors keep
// their library objects across iterations and do per call only what a new message needs; their
// Crypto++ calls draw from the SDK's own generator. Decrypting uses a key the SDK made (the
// client's), encrypting one like the server's.
#include <benchmark/benchmark.h>

#include <cryptopp/aes.h>
#include <cryptopp/gcm.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsSymmetric.h"
#include "tools/bench/BenchSupport.h"

namespace qorbench {
namespace {

using platform::Bytes;

Bytes pattern(size_t size, uint8_t start = 1) {
  Bytes out(size);
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(start + 7 * i);
  return out;
}

// A header-sized message, sealed once under the pair's public key.
const Bytes& rsaPlain() {
  static const Bytes plain = pattern(100);
  return plain;
}
const Bytes& rsaSealed() {
  static const Bytes sealed =
      qor::QORCryptUtilsAsymmetric::encryptData(rsaPlain(), rsaKeyPair().publicKey()).value();
  return sealed;
}

struct EvpKeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct EvpKeyContextFree {
  void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
using EvpKey = std::unique_ptr<EVP_PKEY, EvpKeyFree>;
using EvpKeyContext = std::unique_ptr<EVP_PKEY_CTX, EvpKeyContextFree>;

// --- RSA decrypt ---------------------------------------------------------------------------------

void rsaDecryptSameObject(benchmark::State& state) {
  const auto& key = rsaKeyPair().privateKey();
  for (auto _ : state) {
    auto plain = qor::QORCryptUtilsAsymmetric::decryptData(rsaSealed(), key);
    if (!check(plain == rsaPlain(), "decrypt")) break;
  }
}

// The flows restore the client's key from the key store as a new object for every authorization.
void rsaDecryptNewObject(benchmark::State& state) {
  const Bytes& der = *rsaKeyPair().privateKey()->data();
  for (auto _ : state) {
    auto key = qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromData(der);
    auto plain = qor::QORCryptUtilsAsymmetric::decryptData(rsaSealed(), key);
    if (!check(plain == rsaPlain(), "decrypt")) break;
  }
}

void rsaDecryptFirstUse(benchmark::State& state) {
  const Bytes& der = *rsaKeyPair().privateKey()->data();
  for (auto _ : state) {
    state.PauseTiming();
    forgetValidatedKeys();
    state.ResumeTiming();
    auto key = qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromData(der);
    auto plain = qor::QORCryptUtilsAsymmetric::decryptData(rsaSealed(), key);
    if (!check(plain == rsaPlain(), "decrypt")) break;
  }
}

void rsaDecryptCryptopp(benchmark::State& state) {
  FloorRandom pool;
  CryptoPP::RSAES_PKCS1v15_Decryptor decryptor(cryptoppPrivateKey(*rsaKeyPair().privateKey()->data()));
  Bytes out(decryptor.FixedMaxPlaintextLength());
  for (auto _ : state) {
    auto result = decryptor.Decrypt(pool, rsaSealed().data(), rsaSealed().size(), out.data());
    if (!check(result.isValidCoding, "decrypt")) break;
  }
}

// What a key seen for the first time needs of the library: decode, validate (level 2), decrypt.
void rsaDecryptCryptoppValidating(benchmark::State& state) {
  FloorRandom pool;
  const Bytes& der = *rsaKeyPair().privateKey()->data();
  Bytes out(256);
  for (auto _ : state) {
    auto key = cryptoppPrivateKey(der);
    if (!check(key.Validate(pool, 2), "validate")) break;
    CryptoPP::RSAES_PKCS1v15_Decryptor decryptor(key);
    auto result = decryptor.Decrypt(pool, rsaSealed().data(), rsaSealed().size(), out.data());
    if (!check(result.isValidCoding, "decrypt")) break;
  }
}

// OpenSSL's RSA with PKCS #1 v1.5 padding on a kept context: decrypting the sealed message with
// the private key, or encrypting the plain one with the public key.
void rsaOpenSSL(benchmark::State& state, bool decrypt) {
  const Bytes& der = decrypt ? *rsaKeyPair().privateKey()->data() : *serverKeyPair().publicKey()->data();
  const unsigned char* p = der.data();
  EvpKey key(decrypt ? d2i_AutoPrivateKey(nullptr, &p, static_cast<long>(der.size()))
                     : d2i_PUBKEY(nullptr, &p, static_cast<long>(der.size())));
  EvpKeyContext context(EVP_PKEY_CTX_new(key.get(), nullptr));
  const bool ready = key && context &&
                     (decrypt ? EVP_PKEY_decrypt_init(context.get()) : EVP_PKEY_encrypt_init(context.get())) == 1 &&
                     EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) == 1;
  check(ready, "OpenSSL key");
  const auto run = decrypt ? &EVP_PKEY_decrypt : &EVP_PKEY_encrypt;
  const Bytes& input = decrypt ? rsaSealed() : rsaPlain();
  Bytes out(256);
  for (auto _ : state) {
    size_t length = out.size();
    if (!check(run(context.get(), out.data(), &length, input.data(), input.size()) == 1, "OpenSSL RSA")) break;
  }
}
void rsaDecryptOpenSSL(benchmark::State& state) { rsaOpenSSL(state, true); }
void rsaEncryptOpenSSL(benchmark::State& state) { rsaOpenSSL(state, false); }

// --- RSA encrypt ---------------------------------------------------------------------------------

void rsaEncryptSameObject(benchmark::State& state) {
  const auto& key = serverKeyPair().publicKey();
  for (auto _ : state) {
    auto sealed = qor::QORCryptUtilsAsymmetric::encryptData(rsaPlain(), key);
    if (!check(sealed.has_value(), "encrypt")) break;
  }
}

void rsaEncryptNewObject(benchmark::State& state) {
  const Bytes& der = *serverKeyPair().publicKey()->data();
  for (auto _ : state) {
    auto key = qor::QORCryptUtilsAsymmetric::restoreSecretKeyFromData(der);
    auto sealed = qor::QORCryptUtilsAsymmetric::encryptData(rsaPlain(), key);
    if (!check(sealed.has_value(), "encrypt")) break;
  }
}

void rsaEncryptCryptopp(benchmark::State& state) {
  FloorRandom pool;
  CryptoPP::RSAES_PKCS1v15_Encryptor encryptor(cryptoppPublicKey(*serverKeyPair().publicKey()->data()));
  Bytes out(encryptor.FixedCiphertextLength());
  for (auto _ : state) {
    encryptor.Encrypt(pool, rsaPlain().data(), rsaPlain().size(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
}

// --- AES-GCM -------------------------------------------------------------------------------------


constexpr size_t kAesMessage = 256;
const Bytes kAesKey = pattern(16, 3);
const Bytes kAesIV = pattern(16, 5);

const Bytes& aesPlain() {
  static const Bytes plain = pattern(kAesMessage, 9);
  return plain;
}
const Bytes& aesSealed() {
  static const Bytes sealed =
      qor::QORCryptUtilsSymmetric::encryptData(aesPlain(), qor::QORSecretKey::create(kAesKey, 0), kAesIV).value();
  return sealed;
}

// The SDK sealing or opening 256 B, with the same key object for every message (a session key) or
// a new one for each (a request's key).
void aesProject(benchmark::State& state, bool open, bool newKeyObject) {
  auto key = qor::QORSecretKey::create(kAesKey, 0);
  for (auto _ : state) {
    if (newKeyObject) key = qor::QORSecretKey::create(kAesKey, 0);
    auto result = open ? qor::QORCryptUtilsSymmetric::decryptData(aesSealed(), key, kAesIV)
                       : qor::QORCryptUtilsSymmetric::encryptData(aesPlain(), key, kAesIV);
    if (!check(result.has_value(), "AES-GCM")) break;
  }
}
void aesSealSameObject(benchmark::State& state) { aesProject(state, false, false); }
void aesSealNewObject(benchmark::State& state) { aesProject(state, false, true); }
void aesOpenSameObject(benchmark::State& state) { aesProject(state, true, false); }
void aesOpenNewObject(benchmark::State& state) { aesProject(state, true, true); }

// Raw Crypto++ on a kept cipher, per message: with the key kept, the IV set, then the message and
// its tag; or keyed anew for each message, as a new key needs.
template <class Cipher>
void aesCryptopp(benchmark::State& state, bool rekey) {
  Cipher cipher;
  cipher.SetKeyWithIV(kAesKey.data(), kAesKey.size(), kAesIV.data(), kAesIV.size());
  const bool open = !cipher.IsForwardTransformation();
  const Bytes& input = open ? aesSealed() : aesPlain();
  Bytes out(kAesMessage + 16);
  for (auto _ : state) {
    if (rekey) {
      cipher.SetKeyWithIV(kAesKey.data(), kAesKey.size(), kAesIV.data(), kAesIV.size());
    } else {
      cipher.Resynchronize(kAesIV.data(), static_cast<int>(kAesIV.size()));
    }
    cipher.ProcessData(out.data(), input.data(), kAesMessage);
    if (open) {
      if (!check(cipher.TruncatedVerify(input.data() + kAesMessage, 16), "open")) break;
    } else {
      cipher.TruncatedFinal(out.data() + kAesMessage, 16);
    }
    benchmark::DoNotOptimize(out.data());
  }
}
// Raw Crypto++ with a cipher object of its own for each message, made and destroyed around it.
void aesSealCryptoppNewCipher(benchmark::State& state) {
  Bytes out(kAesMessage + 16);
  for (auto _ : state) {
    CryptoPP::GCM<CryptoPP::AES>::Encryption cipher;
    cipher.SetKeyWithIV(kAesKey.data(), kAesKey.size(), kAesIV.data(), kAesIV.size());
    cipher.ProcessData(out.data(), aesPlain().data(), kAesMessage);
    cipher.TruncatedFinal(out.data() + kAesMessage, 16);
    benchmark::DoNotOptimize(out.data());
  }
}

using AesGcm = CryptoPP::GCM<CryptoPP::AES>;
void aesSealCryptoppKeptKey(benchmark::State& state) { aesCryptopp<AesGcm::Encryption>(state, false); }
void aesSealCryptoppRekeyed(benchmark::State& state) { aesCryptopp<AesGcm::Encryption>(state, true); }
void aesOpenCryptoppKeptKey(benchmark::State& state) { aesCryptopp<AesGcm::Decryption>(state, false); }
void aesOpenCryptoppRekeyed(benchmark::State& state) { aesCryptopp<AesGcm::Decryption>(state, true); }

void aesOpenOpenSSL(benchmark::State& state) {
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  check(EVP_DecryptInit_ex(context, EVP_aes_128_gcm(), nullptr, nullptr, nullptr) == 1 &&
            EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_SET_IVLEN, 16, nullptr) == 1,
        "OpenSSL cipher");
  Bytes out(kAesMessage);
  Bytes tag(aesSealed().end() - 16, aesSealed().end());
  for (auto _ : state) {
    int length = 0, last = 0;
    const bool ok = EVP_DecryptInit_ex(context, nullptr, nullptr, kAesKey.data(), kAesIV.data()) == 1 &&
                    EVP_DecryptUpdate(context, out.data(), &length, aesSealed().data(), kAesMessage) == 1 &&
                    EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_SET_TAG, 16, tag.data()) == 1 &&
                    EVP_DecryptFinal_ex(context, out.data() + length, &last) == 1;
    if (!check(ok, "OpenSSL open")) break;
  }
  EVP_CIPHER_CTX_free(context);
}

// --- random --------------------------------------------------------------------------------------

void random16Project(benchmark::State& state) {
  for (auto _ : state) {
    auto iv = qor::QORCryptUtilsSymmetric::generateIV();
    if (!check(iv.has_value(), "random")) break;
  }
}

void random16KeptPool(benchmark::State& state) {
  CryptoPP::AutoSeededRandomPool pool;
  uint8_t out[16];
  for (auto _ : state) {
    pool.GenerateBlock(out, sizeof out);
    benchmark::DoNotOptimize(out);
  }
}

void random16OpenSSL(benchmark::State& state) {
  uint8_t out[16];
  for (auto _ : state) {
    if (!check(RAND_bytes(out, sizeof out) == 1, "RAND_bytes")) break;
  }
}

}  // namespace

BENCHMARK(rsaDecryptSameObject)->Name("rsa_decrypt.same_object")->Unit(benchmark::kMicrosecond);
BENCHMARK(rsaDecryptNewObject)->Name("rsa_decrypt.new_object")->Unit(benchmark::kMicrosecond);
BENCHMARK(rsaDecryptFirstUse)->Name("rsa_decrypt.first_use")->Unit(benchmark::kMicrosecond);
BENCHMARK(rsaDecryptCryptopp)->Name("rsa_decrypt.cryptopp")->Unit(benchmark::kMicrosecond);
BENCHMARK(rsaDecryptCryptoppValidating)->Name("rsa_decrypt.cryptopp_validating")->Unit(benchmark::kMicrosecond);
BENCHMARK(rsaDecryptOpenSSL)->Name("rsa_decrypt.openssl")->Unit(benchmark::kMicrosecond);
BENCHMARK(rsaEncryptSameObject)->Name("rsa_encrypt.same_object")->Unit(benchmark::kMicrosecond);
BENCHMARK(rsaEncryptNewObject)->Name("rsa_encrypt.new_object")->Unit(benchmark::kMicrosecond);
BENCHMARK(rsaEncryptCryptopp)->Name("rsa_encrypt.cryptopp")->Unit(benchmark::kMicrosecond);
BENCHMARK(rsaEncryptOpenSSL)->Name("rsa_encrypt.openssl")->Unit(benchmark::kMicrosecond);
BENCHMARK(aesSealSameObject)->Name("aes_seal.same_object");
BENCHMARK(aesSealNewObject)->Name("aes_seal.new_object");
BENCHMARK(aesSealCryptoppKeptKey)->Name("aes_seal.cryptopp_kept_key");
BENCHMARK(aesSealCryptoppRekeyed)->Name("aes_seal.cryptopp_rekeyed");
BENCHMARK(aesSealCryptoppNewCipher)->Name("aes_seal.cryptopp_new_cipher");
BENCHMARK(aesOpenSameObject)->Name("aes_open.same_object");
BENCHMARK(aesOpenNewObject)->Name("aes_open.new_object");
BENCHMARK(aesOpenCryptoppKeptKey)->Name("aes_open.cryptopp_kept_key");
BENCHMARK(aesOpenCryptoppRekeyed)->Name("aes_open.cryptopp_rekeyed");
BENCHMARK(aesOpenOpenSSL)->Name("aes_open.openssl");
BENCHMARK(random16Project)->Name("random16.project");
BENCHMARK(random16KeptPool)->Name("random16.cryptopp_kept_pool");
BENCHMARK(random16OpenSSL)->Name("random16.openssl");

}  // namespace qorbench
