// The key store against an independent implementation of the same sealing (pyca/cryptography):
// what we seal opens there, and what it seals opens here.
#include <gtest/gtest.h>

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/crypto/QORCryptUtilsB64.h"
#include "common/keystore/SensitiveDataManager.h"
#include "common/storage/QORCommonData.h"
#include "platform/Base64.h"
#include "platform/Random.h"
#include "tests/keychain/KeychainTestSupport.h"
#include "tests/support/TestSupport.h"

using namespace qor;
using platform::Json;

namespace {

using KeyStoreInteropTest = qortest::InMemoryKeychainTest;

constexpr const char* kOpenScript = R"(
import base64, json, sys
from cryptography.hazmat.primitives.asymmetric import padding
from cryptography.hazmat.primitives.ciphers.aead import AESGCM
from cryptography.hazmat.primitives.serialization import load_der_private_key
given = json.load(sys.stdin)
storage = load_der_private_key(base64.b64decode(given["prvStorage"]), None)
session = json.loads(storage.decrypt(base64.b64decode(given["skSessionEncrypted"]), padding.PKCS1v15()))
key, iv = base64.b64decode(session["skStorage"]), base64.b64decode(session["nIV"])
assert len(key) == 16 and len(iv) == 16
record = AESGCM(key).decrypt(iv, base64.b64decode(given["sensitiveDataEncrypted"]), None)
print(json.dumps(json.loads(record)))
)";

constexpr const char* kSealScript = R"(
import base64, json, os
from cryptography.hazmat.primitives import serialization
from cryptography.hazmat.primitives.asymmetric import padding, rsa
from cryptography.hazmat.primitives.ciphers.aead import AESGCM
b64 = lambda b: base64.b64encode(b).decode()
storage = rsa.generate_private_key(public_exponent=65537, key_size=2048)
record = {"prvClient": b64(os.urandom(1190)), "pubSps": b64(os.urandom(294))}
key, iv = os.urandom(16), os.urandom(16)
session = json.dumps({"skStorage": b64(key), "nIV": b64(iv)}).encode()
print(json.dumps({
    "prvStorage": b64(storage.private_bytes(serialization.Encoding.DER, serialization.PrivateFormat.PKCS8,
                                            serialization.NoEncryption())),
    "skSessionEncrypted": b64(storage.public_key().encrypt(session, padding.PKCS1v15())),
    "sensitiveDataEncrypted": b64(AESGCM(key).encrypt(iv, json.dumps(record).encode(), None)),
    "record": record}))
)";

TEST_F(KeyStoreInteropTest, WhatWeSealOpensInAnIndependentImplementation) {
  auto storage = QORCryptUtilsAsymmetric::generateKeyPair();
  ASSERT_NE(storage, nullptr);
  auto record = SensitiveData::create(
      QORCryptUtilsAsymmetric::restoreSecretKeyFromData(platform::secureRandomBytes(1217)),
      QORCryptUtilsAsymmetric::restoreSecretKeyFromData(platform::secureRandomBytes(294)), std::nullopt);
  ASSERT_TRUE(SensitiveDataManager::saveSensitiveData(record, storage->publicKey()));

  Json given = {{"prvStorage", platform::base64Encode(*storage->privateKey()->data())},
                {"skSessionEncrypted", platform::base64Encode(*QORCommonData::skSessionEncrypted())},
                {"sensitiveDataEncrypted", platform::base64Encode(*QORCommonData::sensitiveDataEncrypted())}};
  auto result = qortest::runPython(kOpenScript, {}, given.dump());
  ASSERT_EQ(result.exitCode, 0) << result.err;
  auto opened = platform::JSONObjectWithString(result.out);
  ASSERT_TRUE(opened) << result.out;
  EXPECT_EQ(*opened, record->dictionary());
}

TEST_F(KeyStoreInteropTest, WhatAnIndependentImplementationSealsOpensHere) {
  auto result = qortest::runPython(kSealScript);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  auto sealed = platform::JSONObjectWithString(result.out);
  ASSERT_TRUE(sealed) << result.out;
  auto decode = [&](const char* member) { return platform::base64Decode((*sealed)[member].get<std::string>()); };
  ASSERT_TRUE(QORCommonData::setSkSessionEncrypted(decode("skSessionEncrypted")));
  ASSERT_TRUE(QORCommonData::setSensitiveDataEncrypted(decode("sensitiveDataEncrypted")));

  auto prvStorage =
      QORCryptUtilsAsymmetric::restoreSecretKeyFromBase64String((*sealed)["prvStorage"].get<std::string>());
  auto opened = SensitiveDataManager::getSensitiveDataWithPrvStorage(prvStorage);
  const Json& record = (*sealed)["record"];
  EXPECT_EQ(opened->prvClient()->data(), platform::base64Decode(record["prvClient"].get<std::string>()));
  EXPECT_EQ(opened->pubSps()->data(), platform::base64Decode(record["pubSps"].get<std::string>()));
  EXPECT_TRUE(opened->prvClient()->data().has_value());
  EXPECT_EQ(opened->appInstanceId(), std::nullopt);
}

}  // namespace
