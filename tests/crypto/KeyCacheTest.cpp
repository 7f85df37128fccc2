// Keys are decoded once per key object and private keys validated once per distinct key, without
// changing a single result: a key that fails still fails (and is logged) on every call, and no key
// is ever taken for another.
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/internal/CryptoFailureObserver.h"
#include "common/crypto/internal/LibraryKeys.h"
#include "tests/crypto/PythonPeer.h"

using platform::Bytes;
using qor::QORCryptUtilsAsymmetric;
using qor::QORSecretKey;
using qor::internal::privateKeyValidationCount;
using cryptotest::hex;
using cryptotest::sequence;

namespace {

std::shared_ptr<QORSecretKey> keyOver(const Bytes& bytes) { return QORSecretKey::create(bytes, 1); }

// Collects what reaches logCryptoPPException while it lives.
class FailureLog {
 public:
  FailureLog() {
    qor::internal::setCryptoFailureObserver([this](const char* message) {
      std::lock_guard lock(mutex_);
      messages_.emplace_back(message);
    });
  }
  ~FailureLog() { qor::internal::setCryptoFailureObserver(nullptr); }
  std::vector<std::string> take() {
    std::lock_guard lock(mutex_);
    return std::exchange(messages_, {});
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> messages_;
};

// A pair of its own, so no other test has validated its private key before.
class KeyCache : public testing::Test {
 protected:
  static void SetUpTestSuite() { pair_ = QORCryptUtilsAsymmetric::generateKeyPair(); }
  static void TearDownTestSuite() { pair_.reset(); }
  void SetUp() override { ASSERT_TRUE(pair_); }

  static const Bytes& privateDer() { return *pair_->privateKey()->data(); }
  static const Bytes& publicDer() { return *pair_->publicKey()->data(); }

  static std::shared_ptr<qor::QORKeyPair> pair_;
};
std::shared_ptr<qor::QORKeyPair> KeyCache::pair_;

TEST_F(KeyCache, APrivateKeyIsValidatedOnceWhateverObjectCarriesIt) {
  const Bytes plain = sequence(32);
  const Bytes sealed = QORCryptUtilsAsymmetric::encryptData(plain, keyOver(publicDer())).value();
  const uint64_t before = privateKeyValidationCount();

  EXPECT_EQ(QORCryptUtilsAsymmetric::decryptData(sealed, keyOver(privateDer())), plain);
  EXPECT_EQ(privateKeyValidationCount(), before + 1) << "the first use validates";
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(QORCryptUtilsAsymmetric::decryptData(sealed, keyOver(privateDer())), plain);
  }
  EXPECT_EQ(QORCryptUtilsAsymmetric::decryptData(sealed, pair_->privateKey()), plain);
  EXPECT_EQ(privateKeyValidationCount(), before + 1) << "later objects of the same bytes do not";
}

TEST_F(KeyCache, AKeyFailingValidationGivesNilAndIsLoggedOnEveryCall) {
  // Well-formed keys that only validation refuses.
  const Bytes badPrivate = cryptotest::privateKeyFailingValidation();
  const Bytes evenExponent = hex(
      "305a300d06092a864886f70d01010105000349003046024100b71b9706eff4829d0b2e4eb237c2212ca39e54dd911603de399142"
      "82a066ae88bfdc8df3682fe0857627777500ef865ec0ddb59693baffbed7bc39138e9b999b020102");
  struct Case {
    const char* name;
    std::function<bool(const std::shared_ptr<QORSecretKey>&)> use;  // true when it gave a result
    Bytes der;
    const char* logged;
  } cases[] = {
      {"private key, decrypt",
       [](const auto& key) { return QORCryptUtilsAsymmetric::decryptData(Bytes(256, 0x01), key).has_value(); },
       badPrivate, "Rsa private key validation failed"},
      {"public key, encrypt",
       [](const auto& key) { return QORCryptUtilsAsymmetric::encryptData(sequence(10), key).has_value(); },
       evenExponent, "Rsa public key validation failed"},
  };
  FailureLog log;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto kept = keyOver(c.der);
    for (int call = 0; call < 3; ++call) {
      SCOPED_TRACE(call);
      EXPECT_FALSE(c.use(kept)) << "the same object";
      EXPECT_FALSE(c.use(keyOver(c.der))) << "a new object of the same bytes";
      EXPECT_EQ(log.take(), std::vector<std::string>(2, c.logged));
    }
  }
}

// A cache keyed by the object's address, or one that kept a key's parsed form past the object,
// would take a key made in the same memory for the one before it.
TEST_F(KeyCache, AKeyInTheMemoryOfAnotherIsNotTakenForIt) {
  const Bytes plain = sequence(20);
  const Bytes sealed = QORCryptUtilsAsymmetric::encryptData(plain, keyOver(publicDer())).value();
  const Bytes badPrivate = cryptotest::privateKeyFailingValidation();
  FailureLog log;
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    EXPECT_EQ(QORCryptUtilsAsymmetric::decryptData(sealed, keyOver(privateDer())), plain);
    EXPECT_FALSE(QORCryptUtilsAsymmetric::decryptData(sealed, keyOver(badPrivate)));
    EXPECT_EQ(log.take(), std::vector<std::string>{"Rsa private key validation failed"});
    // The public key's bytes as a private key, and the private key's as a public one.
    EXPECT_FALSE(QORCryptUtilsAsymmetric::decryptData(sealed, keyOver(publicDer())));
    EXPECT_FALSE(QORCryptUtilsAsymmetric::encryptData(plain, keyOver(privateDer())));
    EXPECT_EQ(log.take().size(), 2u) << "decoding failures are logged too";
  }
  // One object used both ways keeps working both ways.
  const auto both = keyOver(publicDer());
  EXPECT_TRUE(QORCryptUtilsAsymmetric::encryptData(plain, both));
  EXPECT_FALSE(QORCryptUtilsAsymmetric::decryptData(sealed, both));
  EXPECT_TRUE(QORCryptUtilsAsymmetric::encryptData(plain, both));
}

TEST_F(KeyCache, ThreadsSharingANewKeyObjectAllOpen) {
  const Bytes plain = sequence(48);
  const Bytes sealed = QORCryptUtilsAsymmetric::encryptData(plain, keyOver(publicDer())).value();
  const auto shared = keyOver(privateDer());
  std::vector<std::thread> threads;
  std::vector<int> opened(4, 0);
  for (size_t t = 0; t < opened.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 3; ++i) opened[t] += QORCryptUtilsAsymmetric::decryptData(sealed, shared) == plain;
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(opened, std::vector<int>(4, 3));
}

// Python makes distinct 1024-bit keys quickly; opening anything with them validates them first.
// Each authorization brings a storage key never seen before and opens the store with the client's
// own key: that one must stay validated however many storage keys pass through.
TEST(ValidatedKeys, AKeyUsedBetweenNewOnesStaysAndOneLeftUnusedIsPushedOut) {
  const char* script = R"(
from cryptography.hazmat.primitives import serialization as s
from cryptography.hazmat.primitives.asymmetric import rsa
for _ in range(34):
    k = rsa.generate_private_key(65537, 1024)
    print(k.private_bytes(s.Encoding.DER, s.PrivateFormat.PKCS8, s.NoEncryption()).hex())
)";
  const auto lines = cryptotest::runPeer(script);
  ASSERT_EQ(lines.size(), 34u);
  constexpr size_t kCapacity = qor::internal::kValidatedPrivateKeys;
  ASSERT_LT(kCapacity + 1, lines.size());
  auto use = [&](size_t i) { QORCryptUtilsAsymmetric::decryptData(Bytes(128, 0), keyOver(hex(lines[i].c_str()))); };

  const uint64_t start = privateKeyValidationCount();
  use(0);
  for (size_t i = 1; i <= kCapacity + 1; ++i) {  // more new keys than the set holds
    use(i);
    use(0);
  }
  EXPECT_EQ(privateKeyValidationCount(), start + kCapacity + 2) << "key 0 once, each new key once";
  const uint64_t after = privateKeyValidationCount();
  use(kCapacity + 1);
  use(0);
  EXPECT_EQ(privateKeyValidationCount(), after) << "the keys in use are remembered";
  use(1);  // the least recently used: pushed out by the ones after it
  EXPECT_EQ(privateKeyValidationCount(), after + 1) << "forgotten, so validated again";
}

TEST(ValidatedKeys, TheSetKeepsTheMostRecentlyUsedDigestsUpToItsCapacity) {
  auto digest = [](uint8_t n) {
    qor::internal::DigestSet::Digest d{};
    d[31] = n;
    return d;
  };
  auto members = [&](const qor::internal::DigestSet& set) {
    std::string in;
    for (uint8_t n = 1; n <= 6; ++n) {
      if (set.contains(digest(n))) in += char('0' + n);
    }
    return in;
  };
  qor::internal::DigestSet set(3);
  for (uint8_t n : {1, 2, 3}) set.insert(digest(n));
  EXPECT_EQ(members(set), "123");
  EXPECT_EQ(members(set), "123") << "looking without using refreshes nothing";
  set.insert(digest(4));
  EXPECT_EQ(members(set), "234") << "the least recently used leaves first";
  EXPECT_TRUE(set.use(digest(2)));
  EXPECT_FALSE(set.use(digest(1)));
  set.insert(digest(5));
  EXPECT_EQ(members(set), "245") << "a digest found by a use stays";
  set.insert(digest(4));  // already there: counts as a use, not a second entry
  set.insert(digest(6));
  EXPECT_EQ(members(set), "456");
  set.clear();
  EXPECT_EQ(members(set), "");
  EXPECT_FALSE(set.use(digest(4)));
}

}  // namespace
