#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "common/crypto/QORCryptUtils.h"
#include "common/crypto/QORCryptUtilsSymmetric.h"
#include "platform/Random.h"
#include "tests/crypto/PythonPeer.h"

using platform::Bytes;
using platform::OptBytes;
using qor::QORCryptUtilsSymmetric;
using qor::QORSecretKey;
using cryptotest::hex;
using cryptotest::sequence;

namespace {

std::shared_ptr<QORSecretKey> aesKey(Bytes bytes) { return QORSecretKey::create(std::move(bytes), 0); }

const Bytes kIV = sequence(16, 0x10);

// Computed with pyca/cryptography's AESGCM (key 00 01 02 ..., IV 10 11 ... 1f, no additional data).
TEST(AesGcm, MatchesVectorsOfAnIndependentImplementation) {
  struct Case {
    size_t keySize;
    Bytes plain;
    const char* sealed;
  } cases[] = {
      {16, {}, "48e8c88eadb042bfce785187d01fbdd4"},
      {16, platform::bytesFromString("abc"), "a4fc941dd3a86f9e79e9ae540fd987b60a8a40"},
      {16, sequence(64),
       "c59ff5b579b7228fde11c989ad2221d8e5ec328c7913b1efb19f9d8d5f5e6dff03054924c53c5269c4acc6f457c127d5"
       "0456c74d481dfb23ba4e621d5832d0c498c595f563f805c7dba0c283cd505da6"},
      {16, platform::bytesFromString("The quick brown fox jumps over the lazy dog"),
       "91f692960cc74debbd38a1f0ce5841f7939258bf0773ca88daa6e8e0263153944b414b6b80630d6e88ea8bdd7500ac587b638b7ab8"
       "189779351c1a"},
      {24, platform::bytesFromString("abc"), "ec026fc7f79f24cc231e4e219317ff617cdadc"},
      {32, platform::bytesFromString("abc"), "eb385947118b48b4e9e6bfe2d8aa9301eb2eb7"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.keySize << " bytes, plaintext " << c.plain.size() << " bytes");
    const auto key = aesKey(sequence(c.keySize));
    const OptBytes sealed = QORCryptUtilsSymmetric::encryptData(c.plain, key, kIV);
    ASSERT_TRUE(sealed);
    EXPECT_EQ(platform::hexString(*sealed), c.sealed);
    EXPECT_EQ(QORCryptUtilsSymmetric::decryptData(hex(c.sealed), key, kIV), c.plain);
  }
}

TEST(AesGcm, NilAndEmptyStayApart) {
  const auto key = aesKey(sequence(16));
  EXPECT_FALSE(QORCryptUtilsSymmetric::encryptData(std::nullopt, key, kIV));
  const OptBytes tagOnly = QORCryptUtilsSymmetric::encryptData(Bytes{}, key, kIV);
  ASSERT_TRUE(tagOnly);
  EXPECT_EQ(tagOnly->size(), 16u);
  const OptBytes opened = QORCryptUtilsSymmetric::decryptData(tagOnly, key, kIV);
  ASSERT_TRUE(opened) << "the bare tag of the empty message opens to empty bytes, not nil";
  EXPECT_TRUE(opened->empty());
  EXPECT_FALSE(QORCryptUtilsSymmetric::decryptData(std::nullopt, key, kIV));
}

TEST(AesGcm, OpeningRefusesAnythingButTheSealedBytesUnderTheirKeyAndIV) {
  const auto key = aesKey(sequence(16));
  const Bytes plain = sequence(40);
  const Bytes sealed = QORCryptUtilsSymmetric::encryptData(plain, key, kIV).value();
  auto flipped = [&](size_t index, uint8_t mask) {
    Bytes b = sealed;
    b[index] ^= mask;
    return b;
  };
  struct Case {
    const char* name;
    OptBytes data;
    std::shared_ptr<QORSecretKey> key;
    OptBytes iv;
  } cases[] = {
      {"first ciphertext bit flipped", flipped(0, 0x01), key, kIV},
      {"last ciphertext bit flipped", flipped(plain.size() - 1, 0x80), key, kIV},
      {"tag bit flipped", flipped(sealed.size() - 1, 0x01), key, kIV},
      {"another IV", sealed, key, sequence(16, 0x11)},
      {"the IV cut to 12 bytes", sealed, key, sequence(12, 0x10)},
      {"another key", sealed, aesKey(sequence(16, 1)), kIV},
      {"one byte cut off", Bytes(sealed.begin(), sealed.end() - 1), key, kIV},
      {"one byte appended", [&] { Bytes b = sealed; b.push_back(0); return b; }(), key, kIV},
      {"shorter than the tag", Bytes(sealed.begin(), sealed.begin() + 15), key, kIV},
      {"empty", Bytes{}, key, kIV},
      {"no IV", sealed, key, std::nullopt},
      {"no key", sealed, nullptr, kIV},
      {"a key without bytes", sealed, QORSecretKey::create(std::nullopt, 0), kIV},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(QORCryptUtilsSymmetric::decryptData(c.data, c.key, c.iv)) << c.name;
  }
  EXPECT_EQ(QORCryptUtilsSymmetric::decryptData(sealed, key, kIV), plain);
}

TEST(AesGcm, SealingRefusesUnusableKeysAndIVs) {
  const Bytes plain = sequence(5);
  struct Case {
    const char* name;
    std::shared_ptr<QORSecretKey> key;
    OptBytes iv;
  } cases[] = {
      {"no key", nullptr, kIV},
      {"a key without bytes", QORSecretKey::create(std::nullopt, 0), kIV},
      {"an empty key", aesKey({}), kIV},
      {"a 15-byte key", aesKey(sequence(15)), kIV},
      {"a 17-byte key", aesKey(sequence(17)), kIV},
      {"a 33-byte key", aesKey(sequence(33)), kIV},
      {"no IV", aesKey(sequence(16)), std::nullopt},
      {"an empty IV", aesKey(sequence(16)), Bytes{}},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(QORCryptUtilsSymmetric::encryptData(plain, c.key, c.iv)) << c.name;
    EXPECT_FALSE(QORCryptUtilsSymmetric::decryptData(Bytes(32, 0), c.key, c.iv)) << c.name;
  }
}

// Random keys, IVs and messages: what we seal opens there and what they seal opens here.
TEST(AesGcm, InteroperatesWithAnIndependentImplementation) {
  const char* script = R"(
import sys
from cryptography.hazmat.primitives.ciphers.aead import AESGCM
for line in sys.stdin:
    key, iv, ours, plain = [bytes.fromhex(f) if f != '-' else b'' for f in line.split()]
    opened = AESGCM(key).decrypt(iv, ours, None)
    print(('ok' if opened == plain else 'mismatch') + ' ' + AESGCM(key).encrypt(iv, plain, None).hex())
)";
  struct Case {
    std::shared_ptr<QORSecretKey> key;
    Bytes iv, plain, ours;
  };
  std::vector<Case> cases;
  std::ostringstream input;
  auto field = [](const Bytes& b) { return b.empty() ? std::string("-") : platform::hexString(b); };
  for (size_t keySize : {16, 24, 32}) {
    for (size_t plainSize : {0, 1, 15, 16, 17, 1000}) {
      // Mostly the system's 16-byte IVs, and the usual 12-byte ones once per key size.
      const size_t ivSize = plainSize == 17 ? 12 : 16;
      Case c{aesKey(platform::secureRandomBytes(keySize).value()), platform::secureRandomBytes(ivSize).value(),
             platform::secureRandomBytes(plainSize).value(), {}};
      c.ours = QORCryptUtilsSymmetric::encryptData(c.plain, c.key, c.iv).value();
      input << field(*c.key->data()) << ' ' << field(c.iv) << ' ' << field(c.ours) << ' ' << field(c.plain) << '\n';
      cases.push_back(std::move(c));
    }
  }
  const auto lines = cryptotest::runPeer(script, input.str());
  ASSERT_EQ(lines.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "key " << c.key->keySize() << " bytes, plaintext " << c.plain.size());
    EXPECT_EQ(lines[i].substr(0, 3), "ok ") << "ours does not open there";
    EXPECT_EQ(QORCryptUtilsSymmetric::decryptData(hex(lines[i].substr(3).c_str()), c.key, c.iv), c.plain)
        << "theirs does not open here";
  }
}

TEST(RandomMaterial, KeysIVsAndNoncesAreFreshSixteenByteValues) {
  std::set<Bytes> seen;
  for (int i = 0; i < 4; ++i) {
    const auto key = QORCryptUtilsSymmetric::generateSecretKey();
    ASSERT_TRUE(key);
    EXPECT_EQ(key->type(), 0);
    const OptBytes iv = QORCryptUtilsSymmetric::generateIV();
    const OptBytes nonce = qor::QORCryptUtils::generateNonce();
    ASSERT_TRUE(key->data() && iv && nonce);
    for (const Bytes& value : {*key->data(), *iv, *nonce}) {
      EXPECT_EQ(value.size(), 16u);
      EXPECT_TRUE(seen.insert(value).second) << "a random value came twice";
    }
  }
}

TEST(SecretKey, KeepsItsBytesAndKind) {
  const auto restored = QORCryptUtilsSymmetric::restoreKeyFromData(sequence(16));
  EXPECT_EQ(restored->type(), 0);
  EXPECT_EQ(restored->data(), sequence(16));
  EXPECT_EQ(restored->keySize(), 16u);
  const auto empty = QORSecretKey::create(Bytes{}, 1);
  ASSERT_TRUE(empty->data());
  EXPECT_EQ(empty->keySize(), 0u);
  const auto none = QORSecretKey::create(std::nullopt, 2);
  EXPECT_FALSE(none->data());
  EXPECT_EQ(none->keySize(), 0u);
  EXPECT_EQ(none->type(), 2);
}

}  // namespace
