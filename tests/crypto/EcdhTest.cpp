#include <gtest/gtest.h>

#include <sstream>

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "tests/crypto/PythonPeer.h"

using platform::Bytes;
using platform::OptBytes;
using qor::QORCryptUtilsAsymmetric;
using qor::QORSecretKey;
using cryptotest::hex;

namespace {

// SubjectPublicKeyInfo header of an uncompressed brainpoolP256r1 point: id-ecPublicKey, the curve's
// OID, then the 65-byte point.
constexpr const char* kSpkiPrefix = "305a301406072a8648ce3d020106092b2403030208010107034200";

// RFC 7027, appendix A.1.
constexpr const char* kPrivateA = "81db1ee100150ff2ea338d708271be38300cb54241d79950f77b063039804f1d";
constexpr const char* kPublicA =
    "0444106e913f92bc02a1705d9953a8414db95e1aaa49e81d9e85f929a8e3100be58ab4846f11caccb73ce49cbdd120f5a900a69fd32"
    "c272223f789ef10eb089bdc";
constexpr const char* kPrivateB = "55e40bc41e37e3e2ad25c3c6654511ffa8474a91a0032087593852d3e7d76bd3";
constexpr const char* kPublicB =
    "048d2d688c6cf93e1160ad04cc4429117dc2c41825e1e9fca0addd34e6f1b39f7b990c57520812be512641e47034832106bc7d3e8dd"
    "0e4c7f1136d7006547cec6a";
// First 16 bytes of the shared x-coordinate 89AFC39D...
constexpr const char* kSharedPrefix = "89afc39d41d3b327814b80940b042590";

// The order of the brainpoolP256r1 group.
constexpr const char* kOrder = "a9fb57dba1eea9bc3e660a909d838d718c397aa3b561a6f7901e0e82974856a7";
// A P-256 key (the generator point): valid, but of another curve.
constexpr const char* kP256Spki =
    "3059301306072a8648ce3d020106082a8648ce3d030107034200046b17d1f2e12c4247f8bce6e563a440f277037d812deb33a0f4a139"
    "45d898c2964fe342e2fe1a7f9b8ee7eb4a7c0f9e162bce33576b315ececbb6406837bf51f5";

std::shared_ptr<QORSecretKey> keyOver(OptBytes bytes) { return QORSecretKey::create(std::move(bytes), 1); }
std::shared_ptr<QORSecretKey> spki(const char* point) {
  return keyOver(hex((std::string(kSpkiPrefix) + point).c_str()));
}

OptBytes agree(const std::shared_ptr<QORSecretKey>& privateKey, const std::shared_ptr<QORSecretKey>& publicKey) {
  const auto secret = QORCryptUtilsAsymmetric::generateSharedSecretWithPrivateKey(privateKey, publicKey);
  if (!secret) return std::nullopt;
  EXPECT_EQ(secret->type(), 0);
  return secret->data();
}

TEST(Ecdh, AgreesOnTheRfc7027Vector) {
  EXPECT_EQ(agree(keyOver(hex(kPrivateA)), spki(kPublicB)), hex(kSharedPrefix));
  EXPECT_EQ(agree(keyOver(hex(kPrivateB)), spki(kPublicA)), hex(kSharedPrefix));
}

TEST(Ecdh, GeneratedPairsAreNamedCurveKeysThatAgree) {
  const auto a = QORCryptUtilsAsymmetric::generateKeyPairDh();
  const auto b = QORCryptUtilsAsymmetric::generateKeyPairDh();
  ASSERT_TRUE(a && b);
  for (const auto& pair : {a, b}) {
    EXPECT_EQ(pair->publicKey()->type(), 1);
    EXPECT_EQ(pair->privateKey()->type(), 2);
    ASSERT_EQ(pair->publicKey()->keySize(), 92u);
    EXPECT_EQ(platform::hexString(*pair->publicKey()->data()).substr(0, 54), kSpkiPrefix);
    EXPECT_EQ(pair->privateKey()->keySize(), 32u);
  }
  const OptBytes ab = agree(a->privateKey(), b->publicKey());
  ASSERT_TRUE(ab);
  EXPECT_EQ(ab->size(), 16u);
  EXPECT_EQ(ab, agree(b->privateKey(), a->publicKey()));
  EXPECT_NE(ab, agree(a->privateKey(), a->publicKey()));
}

TEST(Ecdh, RefusesUnusableKeys) {
  const auto privateA = keyOver(hex(kPrivateA));
  Bytes offCurve = hex((std::string(kSpkiPrefix) + kPublicB).c_str());
  offCurve.back() ^= 0x01;
  Bytes truncated = hex((std::string(kSpkiPrefix) + kPublicB).c_str());
  truncated.pop_back();
  const Bytes fullPrivate = hex(kPrivateA);
  const Bytes shortPrivate(fullPrivate.begin() + 1, fullPrivate.end());
  Bytes orderMinusOne = hex(kOrder);
  orderMinusOne.back() -= 1;
  struct Case {
    const char* name;
    std::shared_ptr<QORSecretKey> privateKey, publicKey;
  } cases[] = {
      {"no private key", nullptr, spki(kPublicB)},
      {"a private key without bytes", keyOver(std::nullopt), spki(kPublicB)},
      {"a 31-byte private key", keyOver(shortPrivate), spki(kPublicB)},
      {"a zero private key", keyOver(Bytes(32, 0)), spki(kPublicB)},
      {"a private key equal to the order", keyOver(hex(kOrder)), spki(kPublicB)},
      {"no public key", privateA, nullptr},
      {"a public key without bytes", privateA, keyOver(std::nullopt)},
      {"an empty public key", privateA, keyOver(Bytes{})},
      {"a public point off the curve", privateA, keyOver(offCurve)},
      {"a truncated public key", privateA, keyOver(truncated)},
      {"a public key of P-256", privateA, keyOver(hex(kP256Spki))},
      {"a bare point instead of a key", privateA, keyOver(hex(kPublicB))},
  };
  for (const auto& c : cases) EXPECT_FALSE(agree(c.privateKey, c.publicKey)) << c.name;
  EXPECT_TRUE(agree(keyOver(orderMinusOne), spki(kPublicB))) << "the largest valid scalar";
}

TEST(Ecdh, OfALongerPrivateKeyOnlyTheFirst32BytesCount) {
  Bytes longer = hex(kPrivateA);
  longer.insert(longer.end(), {0xde, 0xad});
  EXPECT_EQ(agree(keyOver(longer), spki(kPublicB)), hex(kSharedPrefix));
}

// Our public key loads there as a named-curve key; our private scalar yields the same key there;
// their key and ours agree from both sides.
TEST(Ecdh, InteroperatesWithAnIndependentImplementation) {
  const char* script = R"(
import sys
from cryptography.hazmat.primitives import serialization as s
from cryptography.hazmat.primitives.asymmetric import ec
spki = lambda k: k.public_bytes(s.Encoding.DER, s.PublicFormat.SubjectPublicKeyInfo)
for i, line in enumerate(sys.stdin):
    ours_pub, ours_priv = [bytes.fromhex(f) for f in line.split()]
    pub = s.load_der_public_key(ours_pub)
    mine = ec.derive_private_key(int.from_bytes(ours_priv, 'big'), ec.BrainpoolP256R1())
    theirs = ec.generate_private_key(ec.BrainpoolP256R1())
    # Their key as a SubjectPublicKeyInfo with the point compressed, every other time.
    compressed = theirs.public_key().public_bytes(s.Encoding.X962, s.PublicFormat.CompressedPoint)
    their_key = (bytes.fromhex('303a301406072a8648ce3d020106092b2403030208010107032200') + compressed
                 if i % 2 else spki(theirs.public_key()))
    print(pub.curve.name, spki(pub) == ours_pub, spki(mine.public_key()) == ours_pub,
          their_key.hex(), theirs.exchange(ec.ECDH(), pub)[:16].hex())
)";
  std::vector<std::shared_ptr<qor::QORKeyPair>> pairs;
  std::ostringstream input;
  for (int i = 0; i < 8; ++i) {
    auto pair = QORCryptUtilsAsymmetric::generateKeyPairDh();
    ASSERT_TRUE(pair);
    input << platform::hexString(*pair->publicKey()->data()) << ' ' << platform::hexString(*pair->privateKey()->data())
          << '\n';
    pairs.push_back(std::move(pair));
  }
  const auto lines = cryptotest::runPeer(script, input.str());
  ASSERT_EQ(lines.size(), pairs.size());
  for (size_t i = 0; i < pairs.size(); ++i) {
    std::istringstream fields(lines[i]);
    std::string curve, loadsSame, derivesSame, theirPublic, theirSecret;
    fields >> curve >> loadsSame >> derivesSame >> theirPublic >> theirSecret;
    EXPECT_EQ(curve, "brainpoolP256r1");
    EXPECT_EQ(loadsSame, "True") << "our encoding is not the standard one";
    EXPECT_EQ(derivesSame, "True") << "our private scalar is not the one of our public key";
    EXPECT_EQ(agree(pairs[i]->privateKey(), keyOver(hex(theirPublic.c_str()))), hex(theirSecret.c_str()));
  }
}

}  // namespace
