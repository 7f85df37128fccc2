#include <gtest/gtest.h>

#include <sstream>

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "platform/Random.h"
#include "tests/crypto/PythonPeer.h"

using platform::Bytes;
using platform::OptBytes;
using qor::QORCryptUtilsAsymmetric;
using qor::QORKeyPair;
using qor::QORSecretKey;
using cryptotest::hex;
using cryptotest::sequence;

namespace {

std::shared_ptr<QORSecretKey> keyOver(OptBytes bytes) { return QORSecretKey::create(std::move(bytes), 1); }

// The same 512-bit modulus with exponent 3 and with exponent 2 (hand-built SubjectPublicKeyInfo):
// only validation stops the even exponent, which the library would otherwise apply.
constexpr const char* kSmallKeyOddExponent =
    "305a300d06092a864886f70d01010105000349003046024100b71b9706eff4829d0b2e4eb237c2212ca39e54dd911603de399142"
    "82a066ae88bfdc8df3682fe0857627777500ef865ec0ddb59693baffbed7bc39138e9b999b020103";
constexpr const char* kSmallKeyEvenExponent =
    "305a300d06092a864886f70d01010105000349003046024100b71b9706eff4829d0b2e4eb237c2212ca39e54dd911603de399142"
    "82a066ae88bfdc8df3682fe0857627777500ef865ec0ddb59693baffbed7bc39138e9b999b020102";

class Rsa : public testing::Test {
 protected:
  // Generating RSA-2048 takes a while; the cases share one pair.
  static void SetUpTestSuite() { pair_ = QORCryptUtilsAsymmetric::generateKeyPair(); }
  static void TearDownTestSuite() { pair_.reset(); }
  void SetUp() override { ASSERT_TRUE(pair_) << "key generation failed"; }

  static std::shared_ptr<QORKeyPair> pair_;
};
std::shared_ptr<QORKeyPair> Rsa::pair_;

TEST_F(Rsa, GeneratedPairIsRsa2048WithExponent17InStandardEncodings) {
  EXPECT_EQ(pair_->publicKey()->type(), 1);
  EXPECT_EQ(pair_->privateKey()->type(), 2);
  const char* script = R"(
import sys
from cryptography.hazmat.primitives import serialization as s
pub_der, priv_der = [bytes.fromhex(f) for f in sys.stdin.read().split()]
pub = s.load_der_public_key(pub_der)
priv = s.load_der_private_key(priv_der, None)
print(pub.key_size, pub.public_numbers().e, pub.public_numbers() == priv.public_key().public_numbers())
)";
  const auto lines = cryptotest::runPeer(
      script, platform::hexString(*pair_->publicKey()->data()) + ' ' + platform::hexString(*pair_->privateKey()->data()));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "2048 17 True");
}

TEST_F(Rsa, PlaintextsUpToTheModulusMinus11Seal) {
  struct Case {
    const char* name;
    OptBytes plain;
    bool seals;
  } cases[] = {
      {"nil, sealed as the empty message", std::nullopt, true},
      {"empty", Bytes{}, true},
      {"one byte", Bytes{0x00}, true},
      {"245 bytes", sequence(245), true},
      {"246 bytes", sequence(246), false},
      {"1000 bytes", sequence(1000), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const OptBytes sealed = QORCryptUtilsAsymmetric::encryptData(c.plain, pair_->publicKey());
    ASSERT_EQ(sealed.has_value(), c.seals);
    if (!sealed) continue;
    EXPECT_EQ(sealed->size(), 256u);
    const OptBytes opened = QORCryptUtilsAsymmetric::decryptData(sealed, pair_->privateKey());
    ASSERT_TRUE(opened);
    EXPECT_EQ(*opened, c.plain.value_or(Bytes{}));
  }
}

TEST_F(Rsa, OpeningRefusesCiphertextsOfTheWrongSizeOrValue) {
  const Bytes sealed = QORCryptUtilsAsymmetric::encryptData(sequence(10), pair_->publicKey()).value();
  struct Case {
    const char* name;
    OptBytes data;
  } cases[] = {
      {"nil", std::nullopt},
      {"empty", Bytes{}},
      {"255 bytes", Bytes(sealed.begin() + 1, sealed.end())},
      {"257 bytes", [&] { Bytes b = sealed; b.insert(b.begin(), 0); return b; }()},
      {"256 bytes above the modulus", Bytes(256, 0xff)},
      {"256 zero bytes", Bytes(256, 0x00)},
  };
  for (const auto& c : cases) EXPECT_FALSE(QORCryptUtilsAsymmetric::decryptData(c.data, pair_->privateKey())) << c.name;
}

// Blocks sealed by hand (raw RSA in Python) with every way RFC 8017 7.2.2 names for a padding to be
// wrong, beside the two well-formed extremes.
TEST_F(Rsa, OpeningRefusesEveryMalformedPaddingBlock) {
  const char* script = R"(
import sys
from cryptography.hazmat.primitives import serialization as s
numbers = s.load_der_public_key(bytes.fromhex(sys.stdin.readline())).public_numbers()
for line in sys.stdin:
    block = bytes.fromhex(line.strip())
    print(pow(int.from_bytes(block, 'big'), numbers.e, numbers.n).to_bytes(256, 'big').hex())
)";
  auto nonZero = [](size_t size) { return Bytes(size, 0x5a); };
  auto join = [](std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  };
  struct Case {
    const char* name;
    Bytes block;
    OptBytes opened;
  } cases[] = {
      {"eight padding bytes and a message", join({{0x00, 0x02}, nonZero(8), {0x00}, sequence(245)}), sequence(245)},
      {"the empty message", join({{0x00, 0x02}, nonZero(253), {0x00}}), Bytes{}},
      {"no zero byte after the padding", join({{0x00, 0x02}, nonZero(254)}), std::nullopt},
      {"seven padding bytes", join({{0x00, 0x02}, nonZero(7), {0x00}, sequence(246)}), std::nullopt},
      {"no padding bytes", join({{0x00, 0x02, 0x00}, sequence(253)}), std::nullopt},
      {"block type 1", join({{0x00, 0x01}, nonZero(8), {0x00}, sequence(245)}), std::nullopt},
      {"a first byte that is not zero", join({{0x01, 0x02}, nonZero(8), {0x00}, sequence(245)}), std::nullopt},
  };
  std::ostringstream input;
  input << platform::hexString(*pair_->publicKey()->data()) << '\n';
  for (const auto& c : cases) {
    ASSERT_EQ(c.block.size(), 256u) << c.name;
    input << platform::hexString(c.block) << '\n';
  }
  const auto sealed = cryptotest::runPeer(script, input.str());
  ASSERT_EQ(sealed.size(), std::size(cases));
  for (size_t i = 0; i < sealed.size(); ++i) {
    EXPECT_EQ(QORCryptUtilsAsymmetric::decryptData(hex(sealed[i].c_str()), pair_->privateKey()), cases[i].opened)
        << cases[i].name;
  }
}

TEST_F(Rsa, UnusableKeysGiveNil) {
  const Bytes& publicDer = *pair_->publicKey()->data();
  const Bytes& privateDer = *pair_->privateKey()->data();
  const Bytes sealed = QORCryptUtilsAsymmetric::encryptData(sequence(10), pair_->publicKey()).value();
  struct Case {
    const char* name;
    std::shared_ptr<QORSecretKey> key;
  } cases[] = {
      {"no key", nullptr},
      {"a key without bytes", keyOver(std::nullopt)},
      {"empty bytes", keyOver(Bytes{})},
      {"bytes that are no key", keyOver(sequence(100))},
      {"a truncated public key", keyOver(Bytes(publicDer.begin(), publicDer.end() - 1))},
      {"a truncated private key", keyOver(Bytes(privateDer.begin(), privateDer.end() - 1))},
      {"an even public exponent", keyOver(hex(kSmallKeyEvenExponent))},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(QORCryptUtilsAsymmetric::encryptData(sequence(10), c.key)) << c.name;
    EXPECT_FALSE(QORCryptUtilsAsymmetric::decryptData(sealed, c.key)) << c.name;
  }
  // Each encoding only where it belongs.
  EXPECT_FALSE(QORCryptUtilsAsymmetric::encryptData(sequence(10), pair_->privateKey()));
  EXPECT_FALSE(QORCryptUtilsAsymmetric::decryptData(sealed, pair_->publicKey()));
  // The same small modulus with an odd exponent is a key, and seals to its 64 bytes.
  const OptBytes small = QORCryptUtilsAsymmetric::encryptData(sequence(53), keyOver(hex(kSmallKeyOddExponent)));
  ASSERT_TRUE(small);
  EXPECT_EQ(small->size(), 64u);
  EXPECT_FALSE(QORCryptUtilsAsymmetric::encryptData(sequence(54), keyOver(hex(kSmallKeyOddExponent))));
}

TEST_F(Rsa, PrivateKeyFailingValidationGivesNil) {
  const auto key = keyOver(cryptotest::privateKeyFailingValidation());
  EXPECT_FALSE(QORCryptUtilsAsymmetric::decryptData(Bytes(256, 0x01), key));
}

// Python seals under our public key and opens what we sealed with our PKCS #8 private key.
TEST_F(Rsa, OurKeysInteroperateWithAnIndependentImplementation) {
  const char* script = R"(
import sys
from cryptography.hazmat.primitives import serialization as s
from cryptography.hazmat.primitives.asymmetric import padding
lines = sys.stdin.read().split('\n')
pub = s.load_der_public_key(bytes.fromhex(lines[0]))
priv = s.load_der_private_key(bytes.fromhex(lines[1]), None)
for line in lines[2:]:
    if not line: continue
    plain_hex, ours = line.split()
    plain = bytes.fromhex(plain_hex[1:])
    opened = priv.decrypt(bytes.fromhex(ours), padding.PKCS1v15())
    print(('ok' if opened == plain else 'mismatch') + ' ' + pub.encrypt(plain, padding.PKCS1v15()).hex())
)";
  std::vector<Bytes> plains;
  std::ostringstream input;
  input << platform::hexString(*pair_->publicKey()->data()) << '\n'
        << platform::hexString(*pair_->privateKey()->data()) << '\n';
  for (size_t size : {0, 1, 32, 100, 245}) {
    Bytes plain = platform::secureRandomBytes(size).value();
    input << 'x' << platform::hexString(plain) << ' '
          << platform::hexString(QORCryptUtilsAsymmetric::encryptData(plain, pair_->publicKey()).value()) << '\n';
    plains.push_back(std::move(plain));
  }
  const auto lines = cryptotest::runPeer(script, input.str());
  ASSERT_EQ(lines.size(), plains.size());
  for (size_t i = 0; i < plains.size(); ++i) {
    SCOPED_TRACE(testing::Message() << plains[i].size() << " bytes");
    EXPECT_EQ(lines[i].substr(0, 3), "ok ") << "ours does not open there";
    EXPECT_EQ(QORCryptUtilsAsymmetric::decryptData(hex(lines[i].substr(3).c_str()), pair_->privateKey()), plains[i])
        << "theirs does not open here";
  }
}

// Keys made there (other sizes and exponents) work here in both directions.
TEST(RsaForeignKeys, KeysOfAnIndependentImplementationWorkHere) {
  const char* make = R"(
import os
from cryptography.hazmat.primitives import serialization as s
from cryptography.hazmat.primitives.asymmetric import rsa, padding
for bits, e in [(2048, 65537), (3072, 65537), (2048, 3), (1024, 65537), (2047, 65537)]:
    k = rsa.generate_private_key(e, bits)
    modulus_bytes = (bits + 7) // 8
    plain = os.urandom(modulus_bytes - 11)
    print(modulus_bytes,
          k.public_key().public_bytes(s.Encoding.DER, s.PublicFormat.SubjectPublicKeyInfo).hex(),
          k.private_bytes(s.Encoding.DER, s.PrivateFormat.PKCS8, s.NoEncryption()).hex(),
          plain.hex(), k.public_key().encrypt(plain, padding.PKCS1v15()).hex())
)";
  const char* open = R"(
import sys
from cryptography.hazmat.primitives import serialization as s
from cryptography.hazmat.primitives.asymmetric import padding
for line in sys.stdin:
    priv, plain, ours = [bytes.fromhex(f) for f in line.split()]
    print('ok' if s.load_der_private_key(priv, None).decrypt(ours, padding.PKCS1v15()) == plain else 'mismatch')
)";
  const auto keys = cryptotest::runPeer(make);
  ASSERT_EQ(keys.size(), 5u);
  std::ostringstream back;
  for (const auto& line : keys) {
    std::istringstream fields(line);
    size_t modulusBytes = 0;
    std::string pub, priv, plain, theirs;
    fields >> modulusBytes >> pub >> priv >> plain >> theirs;
    SCOPED_TRACE(testing::Message() << modulusBytes << "-byte modulus");
    EXPECT_EQ(QORCryptUtilsAsymmetric::decryptData(hex(theirs.c_str()), keyOver(hex(priv.c_str()))),
              hex(plain.c_str()));
    const OptBytes ours = QORCryptUtilsAsymmetric::encryptData(hex(plain.c_str()), keyOver(hex(pub.c_str())));
    ASSERT_TRUE(ours);
    EXPECT_EQ(ours->size(), modulusBytes);
    back << priv << ' ' << plain << ' ' << platform::hexString(*ours) << '\n';
  }
  EXPECT_EQ(cryptotest::runPeer(open, back.str()), std::vector<std::string>(5, "ok"));
}

}  // namespace
