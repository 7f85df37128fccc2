#include "common/crypto/QORCryptUtilsAsymmetric.h"

#include <cryptopp/eccrypto.h>
#include <cryptopp/filters.h>
#include <cryptopp/oids.h>
#include <cryptopp/queue.h>
#include <cryptopp/rsa.h>

#include "common/crypto/QORCryptUtilsB64.h"
#include "common/crypto/internal/CryptoGuard.h"
#include "common/crypto/internal/LibraryKeys.h"
#include "common/crypto/internal/PlatformRandom.h"

namespace qor {
namespace {

using CryptoPP::ECP;
using internal::bytesOrDummy;
using internal::loadKey;
using EcGroup = CryptoPP::DL_GroupParameters_EC<ECP>;
using EcdhDomain = CryptoPP::ECDH<ECP>::Domain;

constexpr unsigned kRsaModulusBits = 2048;
constexpr size_t kEcPrivateKeySize = 32;
constexpr size_t kSharedSecretSize = 16;

platform::Bytes bytesFromByteQueue(CryptoPP::ByteQueue& queue) {
  platform::Bytes out(static_cast<size_t>(queue.MaxRetrievable()));
  queue.Get(out.data(), out.size());
  return out;
}

// brainpoolP256r1 with points uncompressed and the curve named by its OID inside keys.
EcGroup brainpoolGroup() {
  EcGroup group(CryptoPP::ASN1::brainpoolP256r1());
  group.SetPointCompression(false);
  group.SetEncodeAsOID(true);
  return group;
}

bool hasData(const std::shared_ptr<QORSecretKey>& key) { return key && key->data(); }

}  // namespace

platform::OptBytes QORCryptUtilsAsymmetric::encryptData(const platform::OptBytes& data,
                                                        const std::shared_ptr<QORSecretKey>& publicKey) {
  if (!hasData(publicKey)) return std::nullopt;
  return internal::guardCrypto([&]() -> platform::OptBytes {
    const auto key = internal::rsaPublicKeyOf(*publicKey);
    if (!key) return std::nullopt;
    const CryptoPP::RSAES_PKCS1v15_Encryptor& encryptor = key->encryptor;
    static const platform::Bytes kEmptyMessage;
    const platform::Bytes& plain = data ? *data : kEmptyMessage;
    if (plain.size() > encryptor.FixedMaxPlaintextLength()) return std::nullopt;
    internal::PlatformRandom rng;
    platform::Bytes out(encryptor.FixedCiphertextLength());
    encryptor.Encrypt(rng, bytesOrDummy(plain), plain.size(), out.data());
    return out;
  });
}

platform::OptBytes QORCryptUtilsAsymmetric::decryptData(const platform::OptBytes& data,
                                                        const std::shared_ptr<QORSecretKey>& privateKey) {
  if (!data || !hasData(privateKey)) return std::nullopt;
  return internal::guardCrypto([&]() -> platform::OptBytes {
    internal::PlatformRandom rng;
    const auto key = internal::rsaPrivateKeyOf(*privateKey, rng);
    if (!key) return std::nullopt;
    const CryptoPP::RSAES_PKCS1v15_Decryptor& decryptor = key->decryptor;
    if (data->size() != decryptor.FixedCiphertextLength()) return std::nullopt;
    platform::Bytes out(decryptor.FixedMaxPlaintextLength());
    const CryptoPP::DecodingResult result = decryptor.Decrypt(rng, data->data(), data->size(), out.data());
    if (!result.isValidCoding) {
      platform::secureWipe(out);
      return std::nullopt;
    }
    // The library reads a block without the zero byte after its padding as the empty message;
    // RFC 8017 (7.2.2) refuses it. An empty message is valid only with that zero byte as the
    // block's last byte.
    if (result.messageLength == 0 &&
        decryptor.GetKey().CalculateInverse(rng, CryptoPP::Integer(data->data(), data->size())).GetByte(0) != 0) {
      return std::nullopt;
    }
    out.resize(result.messageLength);
    return out;
  });
}

std::shared_ptr<QORKeyPair> QORCryptUtilsAsymmetric::generateKeyPair() {
  return internal::guardCrypto([&]() -> std::shared_ptr<QORKeyPair> {
    internal::PlatformRandom rng;
    CryptoPP::RSA::PrivateKey privateKey;
    privateKey.GenerateRandomWithKeySize(rng, kRsaModulusBits);  // the library's default exponent, 17
    CryptoPP::RSA::PublicKey publicKey(privateKey);
    CryptoPP::ByteQueue privateDer, publicDer;
    privateKey.Save(privateDer);
    publicKey.Save(publicDer);
    return QORKeyPair::create(bytesFromByteQueue(publicDer), bytesFromByteQueue(privateDer));
  });
}

std::shared_ptr<QORKeyPair> QORCryptUtilsAsymmetric::generateKeyPairDh() {
  return internal::guardCrypto([&]() -> std::shared_ptr<QORKeyPair> {
    internal::PlatformRandom rng;
    const EcGroup group = brainpoolGroup();
    EcdhDomain domain(group);
    CryptoPP::SecByteBlock privateKey(domain.PrivateKeyLength());
    CryptoPP::SecByteBlock publicPoint(domain.PublicKeyLength());
    domain.GenerateKeyPair(rng, privateKey, publicPoint);

    ECP::Point point;
    if (!group.GetCurve().DecodePoint(point, publicPoint, publicPoint.size())) return nullptr;
    CryptoPP::DL_PublicKey_EC<ECP> publicKey;
    publicKey.Initialize(group, point);
    CryptoPP::ByteQueue publicDer;
    publicKey.Save(publicDer);
    return QORKeyPair::create(bytesFromByteQueue(publicDer), platform::Bytes(privateKey.begin(), privateKey.end()));
  });
}

std::shared_ptr<QORSecretKey> QORCryptUtilsAsymmetric::generateSharedSecretWithPrivateKey(
    const std::shared_ptr<QORSecretKey>& privateKey, const std::shared_ptr<QORSecretKey>& publicKey) {
  if (!hasData(privateKey) || privateKey->keySize() < kEcPrivateKeySize || !hasData(publicKey)) return nullptr;
  return internal::guardCrypto([&]() -> std::shared_ptr<QORSecretKey> {
    const EcGroup group = brainpoolGroup();
    EcdhDomain domain(group);

    CryptoPP::DL_PublicKey_EC<ECP> peer;
    loadKey(peer, *publicKey->data());
    // A key of another curve would otherwise be read as a point of ours.
    if (!(peer.GetGroupParameters() == group)) {
      QORCryptUtils::logCryptoPPException("EC public key is not on brainpoolP256r1");
      return nullptr;
    }
    CryptoPP::SecByteBlock peerPoint(group.GetEncodedElementSize(true));
    group.EncodeElement(true, peer.GetPublicElement(), peerPoint);

    // A scalar of 0 (or a multiple of the order) would agree on the point at infinity, whatever
    // the peer sent.
    const uint8_t* scalar = privateKey->data()->data();
    const CryptoPP::Integer exponent(scalar, kEcPrivateKeySize);
    if (exponent.IsZero() || exponent >= group.GetSubgroupOrder()) {
      QORCryptUtils::logCryptoPPException("EC private key out of range");
      return nullptr;
    }

    CryptoPP::SecByteBlock agreed(domain.AgreedValueLength());
    if (!domain.Agree(agreed, scalar, peerPoint, /*validateOtherPublicKey=*/true)) {
      QORCryptUtils::logCryptoPPException("EC public key validation failed");
      return nullptr;
    }
    return QORSecretKey::create(platform::Bytes(agreed.begin(), agreed.begin() + kSharedSecretSize), 0);
  });
}

std::shared_ptr<QORSecretKey> QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String(
    const std::optional<std::string>& text) {
  return QORSecretKey::create(QORCryptUtilsB64::decodeString(text), 1);
}

std::shared_ptr<QORSecretKey> QORCryptUtilsAsymmetric::restoreSecretKeyFromData(platform::OptBytes data) {
  return QORSecretKey::create(std::move(data), 1);
}

}  // namespace qor
