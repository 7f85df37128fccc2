#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "common/storage/QORCommonData.h"
#include "common/storage/QORSecureStorage.h"
#include "tests/keychain/KeychainTestSupport.h"
#include "tests/support/TestSupport.h"

using namespace qor;
using platform::Bytes;
using platform::Json;

namespace {

using SecureStorageTest = qortest::InMemoryKeychainTest;

TEST_F(SecureStorageTest, TextAndDataValuesKeepNilAndEmptyApart) {
  EXPECT_EQ(QORSecureStorage::stringForKey("k"), std::nullopt);
  EXPECT_TRUE(QORSecureStorage::setString("value", "k"));
  EXPECT_EQ(QORSecureStorage::stringForKey("k"), "value");
  EXPECT_EQ(QORSecureStorage::dataForKey("k"), platform::bytesFromString("value")) << "one item, either view";

  EXPECT_TRUE(QORSecureStorage::setString("", "k"));
  EXPECT_EQ(QORSecureStorage::stringForKey("k"), std::nullopt) << "empty text is zero bytes, which read as nil";
  EXPECT_EQ(QORSecureStorage::dataForKey("k"), Bytes{});

  EXPECT_TRUE(QORSecureStorage::setString(std::nullopt, "k"));
  EXPECT_EQ(QORSecureStorage::dataForKey("k"), std::nullopt);
  EXPECT_TRUE(QORSecureStorage::setString(std::nullopt, "k")) << "deleting what is gone succeeds";

  EXPECT_TRUE(QORSecureStorage::setData(Bytes{0, 1, 2}, "d"));
  EXPECT_EQ(QORSecureStorage::dataForKey("d"), (Bytes{0, 1, 2}));
  EXPECT_TRUE(QORSecureStorage::setData(std::nullopt, "d"));
  EXPECT_EQ(QORSecureStorage::dataForKey("d"), std::nullopt);
  EXPECT_TRUE(QORSecureStorage::setData(Bytes{7}, "d"));
  EXPECT_TRUE(QORSecureStorage::deleteDataForKey("d"));
  EXPECT_EQ(QORSecureStorage::dataForKey("d"), std::nullopt);

  // Service and account are both the key.
  auto attributes = attributesOf("k", "k");
  EXPECT_FALSE(attributes) << "deleted above";
  QORSecureStorage::setString("x", "k");
  EXPECT_TRUE(attributesOf("k", "k"));
}

TEST_F(SecureStorageTest, EveryItemIsSavedWhenUnlockedThisDeviceOnly) {
  QORSecureStorage::setString("a", kQORSecureStorageHost);
  QORSecureStorage::setData(Bytes{1}, kQORSecureStorageSkSessionEncrypted);
  QORSecureStorage::setString("b", kQORSecureStorageHost);
  for (const char* key : {kQORSecureStorageHost, kQORSecureStorageSkSessionEncrypted}) {
    auto attributes = attributesOf(key, key);
    ASSERT_TRUE(attributes) << key;
    EXPECT_EQ(attributes->accessibility, platform::kSecAttrAccessibleWhenUnlockedThisDeviceOnly) << key;
  }
}

TEST_F(SecureStorageTest, FailedWritesLeaveTheValueAndTellTheCppCaller) {
  ASSERT_TRUE(QORSecureStorage::setString("old", "k"));
  keychain->setFailureHook([](platform::KeychainOperation op, const platform::KeychainQuery&) {
    return op == platform::KeychainOperation::CopyMatching ? platform::errSecSuccess : platform::errSecNotAvailable;
  });
  EXPECT_FALSE(QORSecureStorage::setString("new", "k"));
  EXPECT_FALSE(QORSecureStorage::setString(std::nullopt, "k"));
  EXPECT_FALSE(QORSecureStorage::setData(Bytes{1}, "other"));
  EXPECT_FALSE(QORSecureStorage::reset());
  keychain->setFailureHook(nullptr);
  EXPECT_EQ(QORSecureStorage::stringForKey("k"), "old");
  EXPECT_EQ(QORSecureStorage::dataForKey("other"), std::nullopt);
}

TEST_F(SecureStorageTest, ResetForgetsTheEnrollmentAndKeepsTheDeviceTheHeadersAndTheKeyStore) {
  const std::string every[] = {kQORSecureStorageHost,
                               kQORSecureStorageWebSocketHost,
                               kQORSecureStoragePubVtnBase64,
                               kQORSecureStorageInstallationId,
                               kQORSecureStorageEnrollmentId,
                               kQORSecureStorageExternalId,
                               kQORSecureStorageSkVTN,
                               kQORSecureStorageAppPNS,
                               kQORSecureStoragePublicQorBase64,
                               kQORSecureStoragePrivateQorBase64,
                               kQORSecureStorageSensitiveDataEncrypted,
                               kQORSecureStorageSkSessionEncrypted,
                               kQORSecureStorageSensitiveDataEncryptedKept,
                               kQORSecureStorageSkSessionEncryptedKept,
                               kQORSecureStorageDeviceId,
                               kQORSecureStorageRsaUtilityPrivate,
                               kQORSecureStorageHttpHeaders};
  // What a new enrollment must not lose: the device's own identifiers, the host app's headers and
  // the sealed key store.
  const std::set<std::string> kept = {kQORSecureStorageExternalId, kQORSecureStorageDeviceId,
                                      kQORSecureStorageHttpHeaders, kQORSecureStorageSensitiveDataEncrypted,
                                      kQORSecureStorageSkSessionEncrypted, kQORSecureStorageSensitiveDataEncryptedKept,
                                      kQORSecureStorageSkSessionEncryptedKept};
  for (const auto& key : every) ASSERT_TRUE(QORSecureStorage::setString("v-" + key, key));
  ASSERT_TRUE(QORSecureStorage::setString("host app's own", "unrelated"));

  EXPECT_TRUE(QORSecureStorage::reset());
  for (const auto& key : every) {
    EXPECT_EQ(QORSecureStorage::stringForKey(key), kept.count(key) ? std::optional("v-" + key) : std::nullopt) << key;
  }
  EXPECT_EQ(QORSecureStorage::stringForKey("unrelated"), "host app's own");
  EXPECT_EQ(QORCommonData::skVTN(), std::nullopt) << "the device counts as not enrolled";
  EXPECT_TRUE(QORSecureStorage::reset()) << "a second reset finds nothing to delete, which is fine";
}

TEST_F(SecureStorageTest, CommonDataAccessorsUseTheirKeys) {
  struct Text {
    const char* key;
    std::function<bool(const std::optional<std::string>&)> set;
    std::function<std::optional<std::string>()> get;
  };
  const Text texts[] = {
      {"host", QORCommonData::setHost, QORCommonData::host},
      {"webSocketHost", QORCommonData::setWebSocketHost, QORCommonData::webSocketHost},
      {"pubVtnBase64", QORCommonData::setPubVtnBase64, QORCommonData::pubVtnBase64},
      {"installationId", QORCommonData::setInstallationId, QORCommonData::installationId},
      {"enrollmentId", QORCommonData::setEnrollmentId, QORCommonData::enrollmentId},
      {"externalId", QORCommonData::setExternalId, QORCommonData::externalId},
      {"skVTN", QORCommonData::setSkVTN, QORCommonData::skVTN},
      {"appPNS", QORCommonData::setAppPNS, QORCommonData::appPNS},
  };
  for (const auto& t : texts) {
    ASSERT_TRUE(t.set(std::string("v-") + t.key)) << t.key;
    EXPECT_EQ(QORSecureStorage::stringForKey(t.key), std::string("v-") + t.key) << t.key;
    EXPECT_EQ(t.get(), std::string("v-") + t.key) << t.key;
    ASSERT_TRUE(t.set(std::nullopt)) << t.key;
    EXPECT_EQ(QORSecureStorage::dataForKey(t.key), std::nullopt) << t.key;
  }
  ASSERT_TRUE(QORCommonData::setSensitiveDataEncrypted(Bytes{1}));
  ASSERT_TRUE(QORCommonData::setSkSessionEncrypted(Bytes{2}));
  EXPECT_EQ(QORSecureStorage::dataForKey("sensitiveDataEncrypted"), Bytes{1});
  EXPECT_EQ(QORSecureStorage::dataForKey("skSessionEncrypted"), Bytes{2});
  EXPECT_EQ(QORCommonData::sensitiveDataEncrypted(), Bytes{1});
  EXPECT_EQ(QORCommonData::skSessionEncrypted(), Bytes{2});
}

TEST_F(SecureStorageTest, HttpHeadersReadBackOnlyWhatIsSafeToSend) {
  EXPECT_EQ(QORCommonData::httpHeaders(), Json::object()) << "nothing stored";
  ASSERT_TRUE(QORCommonData::setHttpHeaders(std::nullopt));
  EXPECT_EQ(QORSecureStorage::dataForKey(kQORSecureStorageHttpHeaders), Bytes{}) << "nil stores zero bytes";
  EXPECT_EQ(QORCommonData::httpHeaders(), Json::object());

  ASSERT_TRUE(QORCommonData::setHttpHeaders(Json{{"X-Tenant", "bank"}, {"Authorization", "Bearer a\tb"}}));
  EXPECT_EQ(QORCommonData::httpHeaders(), (Json{{"X-Tenant", "bank"}, {"Authorization", "Bearer a\tb"}}));

  // Stored bytes are judged when read too: they may come from an older or a changed store.
  struct Case {
    const char* name;
    std::string stored;
    Json expected;
  };
  const Case cases[] = {
      {"not JSON", "\x04\x0bstreamtyped", Json::object()},
      {"an array", R"(["X-A","1"])", Json::object()},
      {"non-text values", R"({"X-Num":1,"X-Obj":{"a":"b"},"X-Null":null,"X-Ok":"yes"})", {{"X-Ok", "yes"}}},
      {"names that are not tokens",
       R"({"X Bad":"1","":"2","X:Y":"3","N\u00e4me":"4","X-Good~1":"5"})",
       {{"X-Good~1", "5"}}},
      {"control characters in values",
       R"({"A":"a\r\nSet-Cookie: x","B":"b\n","C":"c\u0000","D":"d\u0001","E":"e\u007f","F":"caf\u00e9"})",
       {{"F", "caf\xC3\xA9"}}},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(QORSecureStorage::setData(platform::bytesFromString(c.stored), kQORSecureStorageHttpHeaders));
    EXPECT_EQ(QORCommonData::httpHeaders(), c.expected) << c.name;
  }
  // What cannot be sent is not stored either.
  ASSERT_TRUE(QORCommonData::setHttpHeaders(
      Json{{"X-Ok", "1"}, {"X-Bad", "a\r\nb"}, {"X-Num", 2}, {"X-Not-Utf8", "\xFF\xFE"}}));
  EXPECT_EQ(QORSecureStorage::dataForKey(kQORSecureStorageHttpHeaders), platform::bytesFromString(R"({"X-Ok":"1"})"));
}

// A request reads its stored values in one keychain read; each must be what its own getter gives,
// whatever state the item is in.
TEST_F(SecureStorageTest, ARequestsValuesReadTogetherAreWhatTheGettersGive) {
  auto getters = [] {
    return QORCommonData::RequestValues{QORCommonData::installationId(), QORCommonData::pubVtnBase64(),
                                        QORCommonData::host(),
                                        std::make_shared<const Json>(QORCommonData::httpHeaders()),
                                        QORCommonData::webSocketHost()};
  };
  auto same = [](const QORCommonData::RequestValues& a, const QORCommonData::RequestValues& b) {
    return a.installationId == b.installationId && a.pubVtnBase64 == b.pubVtnBase64 && a.host == b.host &&
           *a.httpHeaders == *b.httpHeaders && a.webSocketHost == b.webSocketHost;
  };
  const std::vector<std::string> keys = {kQORSecureStorageInstallationId, kQORSecureStoragePubVtnBase64,
                                         kQORSecureStorageHost, kQORSecureStorageHttpHeaders,
                                         kQORSecureStorageWebSocketHost};
  const Bytes notUtf8 = {0xC3, 0x28};
  struct Case {
    const char* name;
    std::function<void()> store;
  };
  const Case cases[] = {
      {"nothing stored", [] {}},
      {"every value",
       [] {
         QORCommonData::setInstallationId("installation");
         QORCommonData::setPubVtnBase64("a2V5");
         QORCommonData::setHost("https://bank.example");
         QORCommonData::setHttpHeaders(Json{{"X-Tenant", "bank"}});
         QORCommonData::setWebSocketHost("wss://bank.example/ws");
       }},
      {"values of the wrong shape",
       [&] {
         QORSecureStorage::setData(notUtf8, kQORSecureStorageInstallationId);
         QORSecureStorage::setData(Bytes{}, kQORSecureStorageHost);
         QORSecureStorage::setData(platform::bytesFromString("[1]"), kQORSecureStorageHttpHeaders);
         QORSecureStorage::setData(platform::bytesFromString("caf\xC3\xA9"), kQORSecureStoragePubVtnBase64);
         // A synchronizable item under the key is found as the getter finds it.
         keychain->add({kQORSecureStorageWebSocketHost, kQORSecureStorageWebSocketHost, true, std::nullopt,
                        std::nullopt, platform::bytesFromString("wss://synced")});
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    keychain->remove({std::nullopt, std::nullopt, platform::KeychainSynchronizable::Any, std::nullopt});
    c.store();
    EXPECT_TRUE(same(QORCommonData::requestValues(true), getters()));
    auto withoutWebSocket = getters();
    withoutWebSocket.webSocketHost.reset();
    EXPECT_TRUE(same(QORCommonData::requestValues(false), withoutWebSocket));
    const auto data = QORSecureStorage::dataForKeys(keys);
    ASSERT_EQ(data.size(), keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
      EXPECT_EQ(data[i], QORSecureStorage::dataForKey(keys[i])) << keys[i];
      EXPECT_EQ(QORSecureStorage::stringFromData(data[i]), QORSecureStorage::stringForKey(keys[i])) << keys[i];
    }
  }
  EXPECT_EQ(QORCommonData::requestValues(true).webSocketHost, "wss://synced");
  EXPECT_EQ(QORCommonData::requestValues(true).pubVtnBase64, "caf\xC3\xA9");

  // A keychain that fails one read loses that value alone, as the getter does.
  keychain->setFailureHook([](platform::KeychainOperation, const platform::KeychainQuery& q) {
    return q.service == kQORSecureStoragePubVtnBase64 ? platform::errSecInteractionNotAllowed : platform::errSecSuccess;
  });
  const auto values = QORCommonData::requestValues(true);
  EXPECT_TRUE(same(values, getters()));
  EXPECT_EQ(values.pubVtnBase64, std::nullopt);
  EXPECT_EQ(values.webSocketHost, "wss://synced");
}

// What a request reads is parsed or decoded once per stored value, never served from an earlier
// read: a value another connection (another process) changes between two requests is what the
// second request gets, each time it changes, including back to an earlier value.
TEST(SecureStorageFile, ARequestSeesWhatAnotherConnectionWroteLast) {
  qortest::TempDir dir;
  const std::string path = (dir.path() / "store.sqlite").string();
  auto ours = platform::Keychain::openFile(path);
  auto other = platform::Keychain::openFile(path);
  auto writeOther = [&](const char* key, const std::string& text) {
    platform::Keychain::setShared(other);
    ASSERT_TRUE(QORSecureStorage::setData(platform::bytesFromString(text), key));
    platform::Keychain::setShared(ours);
  };
  platform::Keychain::setShared(ours);
  const char* const headerTexts[] = {R"({"X-A":"1"})", R"({"X-A":"2"})", R"({"X-A":"1"})", "not json"};
  const Json expected[] = {Json{{"X-A", "1"}}, Json{{"X-A", "2"}}, Json{{"X-A", "1"}}, Json::object()};
  // Headers handed to an earlier request stay as that request read them.
  std::shared_ptr<const Json> earlier;
  for (size_t i = 0; i < std::size(headerTexts); ++i) {
    SCOPED_TRACE(headerTexts[i]);
    writeOther(kQORSecureStorageHttpHeaders, headerTexts[i]);
    writeOther(kQORSecureStoragePubVtnBase64, "a2V5" + std::to_string(i));
    for (int read = 0; read < 2; ++read) {
      const auto values = QORCommonData::requestValues(false);
      EXPECT_EQ(*values.httpHeaders, expected[i]);
      EXPECT_EQ(values.pubVtnBase64, "a2V5" + std::to_string(i));
      if (earlier) {
        EXPECT_EQ(*earlier, expected[i - 1]);
      }
    }
    earlier = QORCommonData::requestValues(false).httpHeaders;
  }
  platform::Keychain::setShared(nullptr);
}

TEST(SecureStorageFile, ValuesSurviveReopening) {
  qortest::TempDir dir;
  const std::string path = (dir.path() / "store.sqlite").string();
  platform::Keychain::setShared(platform::Keychain::openFile(path));
  ASSERT_TRUE(QORCommonData::setInstallationId("installation"));
  ASSERT_TRUE(QORCommonData::setHttpHeaders(Json{{"X-A", "1"}}));
  ASSERT_TRUE(QORCommonData::setSensitiveDataEncrypted(Bytes(300, 0xAB)));
  platform::Keychain::setShared(platform::Keychain::openFile(path));
  EXPECT_EQ(QORCommonData::installationId(), "installation");
  EXPECT_EQ(QORCommonData::httpHeaders(), (Json{{"X-A", "1"}}));
  EXPECT_EQ(QORCommonData::sensitiveDataEncrypted(), Bytes(300, 0xAB));
  platform::Keychain::setShared(nullptr);
}

}  // namespace
