#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "common/keychain/ZIBKeychain.h"
#include "common/keychain/internal/ZIBKeychainErrorTexts.h"
#include "tests/keychain/KeychainTestSupport.h"

using namespace qor;
using platform::Error;

namespace {

// The accessibility value is process-wide: each test leaves it as it found it.
class ZIBKeychainTest : public qortest::InMemoryKeychainTest {
 protected:
  void TearDown() override {
    ZIBKeychain::setAccessibilityType(saved_);
    InMemoryKeychainTest::TearDown();
  }

 private:
  std::optional<std::string> saved_ = ZIBKeychain::accessibilityType();
};
using S = std::optional<std::string>;

TEST_F(ZIBKeychainTest, FacadeCallsReportTheirStatusAsErrors) {
  int keychainCalls = 0;
  keychain->setFailureHook([&](auto, const auto&) {
    ++keychainCalls;
    return platform::errSecSuccess;
  });
  struct Case {
    const char* name;
    std::function<bool(std::optional<Error>*)> call;
    int64_t code;  // 0: succeeds
    const char* key;
    bool reachesKeychain;
  };
  const Case cases[] = {
      {"fetch of a missing item",
       [](auto e) { return ZIBKeychain::passwordDataForService(S("s"), S("a"), e).has_value(); },
       platform::errSecItemNotFound, "errSecItemNotFound", true},
      {"delete of a missing item", [](auto e) { return ZIBKeychain::deletePasswordForService(S("s"), S("a"), e); },
       platform::errSecItemNotFound, "errSecItemNotFound", true},
      {"list of an empty store", [](auto e) { return ZIBKeychain::allAccounts(e).has_value(); },
       platform::errSecItemNotFound, "errSecItemNotFound", true},
      {"save of nil text", [](auto e) { return ZIBKeychain::setPassword(std::nullopt, S("s"), S("a"), e); },
       ZIBKeychainErrorBadArguments, "ZIBKeychainErrorBadArguments", false},
      {"save without a service", [](auto e) { return ZIBKeychain::setPassword(S("x"), std::nullopt, S("a"), e); },
       ZIBKeychainErrorBadArguments, "ZIBKeychainErrorBadArguments", false},
      {"fetch without an account",
       [](auto e) { return ZIBKeychain::passwordForService(S("s"), std::nullopt, e).has_value(); },
       ZIBKeychainErrorBadArguments, "ZIBKeychainErrorBadArguments", false},
      {"delete without an account",
       [](auto e) { return ZIBKeychain::deletePasswordForService(S("s"), std::nullopt, e); },
       ZIBKeychainErrorBadArguments, "ZIBKeychainErrorBadArguments", false},
      {"save", [](auto e) { return ZIBKeychain::setPassword(S("x"), S("s"), S("a"), e); }, 0, nullptr, true},
      {"delete", [](auto e) { return ZIBKeychain::deletePasswordForService(S("s"), S("a"), e); }, 0, nullptr, true},
  };
  for (const auto& c : cases) {
    keychainCalls = 0;
    std::optional<Error> error;
    EXPECT_EQ(c.call(&error), c.code == 0) << c.name;
    EXPECT_EQ(keychainCalls > 0, c.reachesKeychain) << c.name;
    if (c.code != 0) {
      EXPECT_FALSE(c.call(nullptr)) << c.name << " without an error";
    }
    if (c.code == 0) {
      EXPECT_FALSE(error) << c.name;
      continue;
    }
    ASSERT_TRUE(error) << c.name;
    EXPECT_EQ(error->domain, kZIBKeychainErrorDomain) << c.name;
    EXPECT_EQ(error->code, c.code) << c.name;
    EXPECT_EQ(keychain::textKeyForStatus(static_cast<int32_t>(c.code)), std::string(c.key)) << c.name;
    EXPECT_EQ(error->localizedDescription(), keychain::textForKey(c.key)) << c.name;
  }
}

TEST_F(ZIBKeychainTest, EveryListedStatusHasItsKeyAndOthersTheDefault) {
  const std::pair<int32_t, const char*> table[] = {
      {-1001, "ZIBKeychainErrorBadArguments"},
      {-4, "errSecUnimplemented"},
      {-50, "errSecParam"},
      {-108, "errSecAllocate"},
      {-25291, "errSecNotAvailable"},
      {-25293, "errSecAuthFailed"},
      {-25299, "errSecDuplicateItem"},
      {-25300, "errSecItemNotFound"},
      {-25308, "errSecInteractionNotAllowed"},
      {-26275, "errSecDecode"},
      {-12345, "errSecDefault"},
      {1, "errSecDefault"},
  };
  std::set<std::string> texts;
  for (auto [status, key] : table) {
    EXPECT_STREQ(keychain::textKeyForStatus(status), key) << status;
    auto error = ZIBKeychainQuery::errorWithCode(status);
    ASSERT_TRUE(error) << status;
    EXPECT_EQ(error->code, status);
    ASSERT_TRUE(keychain::textForKey(key)) << key;
    texts.insert(error->localizedDescription());
  }
  EXPECT_EQ(texts.size(), 11u) << "each key has a text of its own";
  EXPECT_FALSE(ZIBKeychainQuery::errorWithCode(0));
  EXPECT_FALSE(keychain::textForKey("noSuchKey"));

  // A keychain status the wrapper does not list reaches the caller as it is.
  keychain->failNextCall(-12345);
  std::optional<Error> error;
  EXPECT_FALSE(ZIBKeychain::setPassword(S("x"), S("s"), S("a"), &error));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code, -12345);
  EXPECT_EQ(error->localizedDescription(), keychain::textForKey("errSecDefault"));
}

TEST_F(ZIBKeychainTest, SavingTwiceUpdatesTheSecretAndKeepsTheLabel) {
  ZIBKeychainQuery first;
  first.setService("s");
  first.setAccount("a");
  first.setLabel("first label");
  first.setPassword("one");
  ASSERT_TRUE(first.save());
  ZIBKeychainQuery second = first;
  second.setLabel("second label");
  second.setPassword("two");
  ASSERT_TRUE(second.save());

  auto accounts = ZIBKeychain::accountsForService(S("s"));
  ASSERT_TRUE(accounts);
  ASSERT_EQ(accounts->size(), 1u);
  EXPECT_EQ((*accounts)[0][kZIBKeychainLabelKey], "first label");
  EXPECT_EQ((*accounts)[0][kZIBKeychainAccountKey], "a");
  EXPECT_EQ((*accounts)[0][kZIBKeychainWhereKey], "s");
  EXPECT_TRUE((*accounts)[0][kZIBKeychainCreatedAtKey].is_number());
  EXPECT_TRUE((*accounts)[0][kZIBKeychainLastModifiedKey].is_number());
  EXPECT_EQ(ZIBKeychain::passwordForService(S("s"), S("a")), "two");
}

TEST_F(ZIBKeychainTest, EverySaveAppliesTheAccessibilityOfTheMoment) {
  ZIBKeychain::setAccessibilityType(std::nullopt);
  ASSERT_TRUE(ZIBKeychain::setPassword(S("x"), S("s"), S("a")));
  EXPECT_EQ(attributesOf("s", "a")->accessibility, std::nullopt);

  ZIBKeychain::setAccessibilityType(platform::kSecAttrAccessibleWhenUnlockedThisDeviceOnly);
  ASSERT_TRUE(ZIBKeychain::setPassword(S("y"), S("s"), S("a")));                     // an update
  ASSERT_TRUE(ZIBKeychain::setPasswordData(platform::Bytes{1, 2}, S("s"), S("b")));  // an add
  EXPECT_EQ(attributesOf("s", "a")->accessibility, platform::kSecAttrAccessibleWhenUnlockedThisDeviceOnly);
  EXPECT_EQ(attributesOf("s", "b")->accessibility, platform::kSecAttrAccessibleWhenUnlockedThisDeviceOnly);
  EXPECT_EQ((*ZIBKeychain::accountsForService(S("s")))[0]["pdmn"],
            platform::kSecAttrAccessibleWhenUnlockedThisDeviceOnly);
}

TEST_F(ZIBKeychainTest, SecretsKeepNilAndEmptyApart) {
  ASSERT_TRUE(ZIBKeychain::setPasswordData(platform::Bytes{}, S("s"), S("empty")));
  EXPECT_EQ(ZIBKeychain::passwordForService(S("s"), S("empty")), std::nullopt);
  EXPECT_EQ(ZIBKeychain::passwordDataForService(S("s"), S("empty")), platform::Bytes{});

  ASSERT_TRUE(ZIBKeychain::setPasswordData(platform::Bytes{0xC3, 0x28}, S("s"), S("binary")));
  EXPECT_EQ(ZIBKeychain::passwordForService(S("s"), S("binary")), std::nullopt) << "not UTF-8";
  ASSERT_TRUE(ZIBKeychain::setPassword(S("\xC3\xA9t\xC3\xA9"), S("s"), S("text")));
  EXPECT_EQ(ZIBKeychain::passwordForService(S("s"), S("text")), "\xC3\xA9t\xC3\xA9");

  ZIBKeychainQuery query;
  query.setPasswordObject(platform::Json{{"a", {1, 2}}});
  EXPECT_EQ(query.passwordObject(), (platform::Json{{"a", {1, 2}}}));
  query.setPasswordObject(platform::Json(std::string("\xFF")));
  EXPECT_FALSE(query.passwordData()) << "a value that cannot be written stores nothing";
  query.setPasswordData(platform::Bytes{});
  EXPECT_FALSE(query.passwordObject());
}

TEST_F(ZIBKeychainTest, SynchronizationModesChooseTheItems) {
  auto save = [](ZIBKeychainQuerySynchronizationMode mode, const char* secret) {
    ZIBKeychainQuery q;
    q.setService("s");
    q.setAccount("a");
    q.setSynchronizationMode(mode);
    q.setPassword(std::string(secret));
    return q.save();
  };
  ASSERT_TRUE(save(ZIBKeychainQuerySynchronizationMode::Yes, "synced"));
  ASSERT_TRUE(save(ZIBKeychainQuerySynchronizationMode::No, "local"));
  EXPECT_EQ(ZIBKeychain::accountsForService(S("s"))->size(), 2u);
  // Mode Any (the facade's) updates both, and adds no third.
  ASSERT_TRUE(save(ZIBKeychainQuerySynchronizationMode::Any, "both"));
  auto accounts = *ZIBKeychain::accountsForService(S("s"));
  ASSERT_EQ(accounts.size(), 2u);
  EXPECT_NE(accounts[0]["sync"], accounts[1]["sync"]);
  platform::Bytes data;
  ASSERT_EQ(keychain->copyData({S("s"), S("a"), platform::KeychainSynchronizable::Yes, std::nullopt}, data), 0);
  EXPECT_EQ(platform::stringFromBytes(data), "both");
  EXPECT_TRUE(ZIBKeychainQuery::isSynchronizationAvailable());
}

TEST_F(ZIBKeychainTest, ALookUpFailureStopsTheSave) {
  ASSERT_TRUE(ZIBKeychain::setPassword(S("old"), S("s"), S("a")));
  keychain->failNextCall(platform::errSecInteractionNotAllowed);
  std::optional<Error> error;
  EXPECT_FALSE(ZIBKeychain::setPassword(S("new"), S("s"), S("a"), &error));
  EXPECT_EQ(error->code, platform::errSecInteractionNotAllowed);
  EXPECT_EQ(ZIBKeychain::passwordForService(S("s"), S("a")), "old");
}

TEST_F(ZIBKeychainTest, ConcurrentFirstSavesOfOneKeyAllSucceed) {
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round) {
        const std::string account = "a" + std::to_string(round);
        if (!ZIBKeychain::setPassword(std::to_string(t), S("s"), account)) ++failures;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(ZIBKeychain::accountsForService(S("s"))->size(), 20u);
}

}  // namespace
