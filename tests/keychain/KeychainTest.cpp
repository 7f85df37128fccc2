#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/Clock.h"
#include "platform/keychain/Keychain.h"
#include "tests/support/TestSupport.h"

using namespace platform;

namespace {

KeychainItem item(const std::string& service, const std::string& account, const std::string& secret,
                  bool sync = false) {
  return {service, account, sync, "label-" + account, std::nullopt, bytesFromString(secret)};
}

KeychainQuery query(std::optional<std::string> service, std::optional<std::string> account,
                    KeychainSynchronizable sync = KeychainSynchronizable::No) {
  return {std::move(service), std::move(account), sync, std::nullopt};
}

std::string secretOf(Keychain& k, const KeychainQuery& q) {
  Bytes data;
  return k.copyData(q, data) == errSecSuccess ? stringFromBytes(data) : "<" + std::to_string(k.copyData(q, data)) + ">";
}

// Each step runs on the state the earlier steps left.
TEST(Keychain, OperationsReportThePlatformStatuses) {
  auto k = Keychain::inMemory();
  Bytes data;
  std::vector<KeychainAttributes> attributes;
  const auto a = query("s", "a");
  struct Step {
    const char* name;
    std::function<OSStatus()> run;
    OSStatus expected;
  };
  const Step steps[] = {
      {"find in an empty store", [&] { return k->find(a); }, errSecItemNotFound},
      {"copy data of a missing item", [&] { return k->copyData(a, data); }, errSecItemNotFound},
      {"copy attributes of nothing", [&] { return k->copyAttributes(query(std::nullopt, std::nullopt), attributes); },
       errSecItemNotFound},
      {"update a missing item",
       [&] {
         return k->update(a, {bytesFromString("x"), std::nullopt});
       },
       errSecItemNotFound},
      {"delete a missing item", [&] { return k->remove(a); }, errSecItemNotFound},
      {"add", [&] { return k->add(item("s", "a", "one")); }, errSecSuccess},
      {"add the same again", [&] { return k->add(item("s", "a", "two")); }, errSecDuplicateItem},
      {"add it synchronizable", [&] { return k->add(item("s", "a", "sync", true)); }, errSecSuccess},
      {"add another account", [&] { return k->add(item("s", "b", "bee")); }, errSecSuccess},
      {"find", [&] { return k->find(a); }, errSecSuccess},
      {"update",
       [&] {
         return k->update(a, {bytesFromString("new"), std::nullopt});
       },
       errSecSuccess},
      {"delete", [&] { return k->remove(a); }, errSecSuccess},
      {"delete again", [&] { return k->remove(a); }, errSecItemNotFound},
      {"the synchronizable one is still there", [&] { return k->find(query("s", "a", KeychainSynchronizable::Yes)); },
       errSecSuccess},
  };
  for (const auto& step : steps) EXPECT_EQ(step.run(), step.expected) << step.name;
  EXPECT_EQ(secretOf(*k, query("s", "a", KeychainSynchronizable::Yes)), "sync");
  EXPECT_EQ(secretOf(*k, query("s", "b")), "bee");
  EXPECT_EQ(secretOf(*k, query("s", "a")), "<-25300>");
}

TEST(Keychain, QueriesMatchByServiceAccountFlagAndAccessibility) {
  auto k = Keychain::inMemory();
  auto locked = item("s", "b", "bee");
  locked.accessibility = kSecAttrAccessibleWhenUnlockedThisDeviceOnly;
  ASSERT_EQ(k->add(item("s", "a", "plain")), 0);
  ASSERT_EQ(k->add(item("s", "a", "synced", true)), 0);
  ASSERT_EQ(k->add(locked), 0);
  ASSERT_EQ(k->add(item("t", "a", "tee")), 0);

  auto count = [&](const KeychainQuery& q) {
    std::vector<KeychainAttributes> found;
    return k->copyAttributes(q, found) == errSecSuccess ? found.size() : 0;
  };
  EXPECT_EQ(count(query(std::nullopt, std::nullopt, KeychainSynchronizable::Any)), 4u);
  EXPECT_EQ(count(query(std::nullopt, std::nullopt)), 3u);
  EXPECT_EQ(count(query("s", std::nullopt, KeychainSynchronizable::Any)), 3u);
  EXPECT_EQ(count(query(std::nullopt, "a", KeychainSynchronizable::Yes)), 1u);
  EXPECT_EQ(count({"s", std::nullopt, KeychainSynchronizable::Any, kSecAttrAccessibleWhenUnlockedThisDeviceOnly}), 1u);
  // With either flag, the item that is not synchronizable comes first.
  EXPECT_EQ(secretOf(*k, query("s", "a", KeychainSynchronizable::Any)), "plain");

  EXPECT_EQ(k->remove(query("s", "a", KeychainSynchronizable::Any)), 0);
  EXPECT_EQ(count(query(std::nullopt, std::nullopt, KeychainSynchronizable::Any)), 2u);
}

TEST(Keychain, KeepsEmptySecretsLabelsAndDates) {
  VirtualTime time;
  auto k = Keychain::inMemory();
  ASSERT_EQ(k->add(item("s", "empty", "")), 0);
  Bytes data{1};
  ASSERT_EQ(k->copyData(query("s", "empty"), data), 0);
  EXPECT_TRUE(data.empty());

  std::vector<KeychainAttributes> before;
  ASSERT_EQ(k->copyAttributes(query("s", "empty"), before), 0);
  EXPECT_EQ(before[0].label, "label-empty");
  EXPECT_EQ(before[0].accessibility, std::nullopt);
  EXPECT_EQ(before[0].creationDate, before[0].modificationDate);

  VirtualTime::jump(std::chrono::seconds(90));
  ASSERT_EQ(k->update(query("s", "empty"), {bytesFromString("x"), std::string(kSecAttrAccessibleWhenUnlocked)}), 0);
  std::vector<KeychainAttributes> after;
  ASSERT_EQ(k->copyAttributes(query("s", "empty"), after), 0);
  EXPECT_EQ(after[0].label, "label-empty");
  EXPECT_EQ(after[0].accessibility, kSecAttrAccessibleWhenUnlocked);
  EXPECT_EQ(after[0].creationDate, before[0].creationDate);
  EXPECT_NEAR(std::chrono::duration<double>(after[0].modificationDate - before[0].modificationDate).count(), 90.0,
              0.01);
}

TEST(Keychain, InjectedFailuresReplaceTheCallWithoutTouchingTheStore) {
  auto k = Keychain::inMemory();
  k->failNextCall(errSecInteractionNotAllowed);
  EXPECT_EQ(k->add(item("s", "a", "one")), errSecInteractionNotAllowed);
  EXPECT_EQ(k->find(query("s", "a")), errSecItemNotFound) << "the failure is one-shot and the add did not happen";

  std::vector<KeychainOperation> seen;
  k->setFailureHook([&](KeychainOperation op, const KeychainQuery& q) {
    seen.push_back(op);
    return op == KeychainOperation::Update && q.account == "a" ? errSecAuthFailed : errSecSuccess;
  });
  EXPECT_EQ(k->add(item("s", "a", "one")), 0);
  EXPECT_EQ(k->update(query("s", "a"), {bytesFromString("two"), std::nullopt}), errSecAuthFailed);
  EXPECT_EQ(secretOf(*k, query("s", "a")), "one");
  EXPECT_EQ(k->remove(query("s", "a")), 0);
  const std::vector<KeychainOperation> expected = {KeychainOperation::Add, KeychainOperation::Update,
                                                   KeychainOperation::CopyMatching, KeychainOperation::Delete};
  EXPECT_EQ(seen, expected);
}

TEST(KeychainFile, IsPrivateKeepsItsItemsAndSaysWhenItCannotBeUsed) {
  qortest::TempDir dir;
  const std::string path = (dir.path() / "deeper" / "keychain.sqlite").string();
  {
    auto k = Keychain::openFile(path);
    ASSERT_EQ(k->add(item("s", "a", "kept")), 0);
  }
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat((dir.path() / "deeper").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(secretOf(*Keychain::openFile(path), query("s", "a")), "kept");

  const std::string garbage = (dir.path() / "garbage").string();
  std::ofstream(garbage) << std::string(4096, 'x');
  EXPECT_EQ(Keychain::openFile(garbage)->find(query("s", "a")), errSecDecode);
  EXPECT_EQ(Keychain::openFile("/proc/no-such-folder/keychain.sqlite")->find(query("s", "a")), errSecNotAvailable);
}

TEST(KeychainFile, TheProcessKeychainFollowsTheEnvironment) {
  qortest::TempDir dir;
  const std::string path = (dir.path() / "env.sqlite").string();
  ::setenv(Keychain::kPathVariable, path.c_str(), 1);
  Keychain::setShared(nullptr);
  EXPECT_EQ(Keychain::shared()->add(item("s", "a", "x")), 0);
  EXPECT_EQ(Keychain::shared(), Keychain::shared());
  Keychain::setShared(nullptr);
  ::unsetenv(Keychain::kPathVariable);
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(secretOf(*Keychain::openFile(path), query("s", "a")), "x");
}

// Statements are kept and used again: one that still held its read would keep the connection on an
// old snapshot of the file, blind to what another connection (or process) wrote since.
TEST(KeychainFile, EveryReadSeesWhatAnotherConnectionWroteBeforeIt) {
  qortest::TempDir dir;
  const std::string path = (dir.path() / "k.sqlite").string();
  auto reader = Keychain::openFile(path);
  auto writer = Keychain::openFile(path);
  ASSERT_EQ(writer->add(item("s", "a", "v0")), 0);
  for (int round = 1; round <= 3; ++round) {
    SCOPED_TRACE(round);
    EXPECT_EQ(secretOf(*reader, query("s", "a")), "v" + std::to_string(round - 1));
    EXPECT_EQ(reader->find(query("s", "a")), errSecSuccess);
    std::vector<KeychainAttributes> found;
    EXPECT_EQ(reader->copyAttributes(query("s", std::nullopt), found), errSecSuccess);
    ASSERT_EQ(writer->update(query("s", "a"), {bytesFromString("v" + std::to_string(round)), std::nullopt}), 0);
    ASSERT_EQ(writer->add(item("s", "b" + std::to_string(round), "x")), 0);
    found.clear();
    EXPECT_EQ(reader->copyAttributes(query("s", std::nullopt), found), errSecSuccess);
    EXPECT_EQ(found.size(), static_cast<size_t>(round + 1));
  }
  EXPECT_EQ(reader->remove(query("s", "a")), errSecSuccess);
  EXPECT_EQ(writer->find(query("s", "a")), errSecItemNotFound);
}

// More distinct queries than the connection keeps statements for, twice over: a statement that
// left the cache or came back from it answers as a new one would.
TEST(Keychain, AnswersEveryShapeOfQueryAgainAndAgain) {
  auto k = Keychain::inMemory();
  ASSERT_EQ(k->add({"s", "a", false, std::nullopt, std::string("ak"), bytesFromString("1")}), 0);
  ASSERT_EQ(k->add({"s", "b", true, std::nullopt, std::string("ak"), bytesFromString("2")}), 0);
  for (int pass = 0; pass < 2; ++pass) {
    for (int shape = 0; shape < 16; ++shape) {
      SCOPED_TRACE(testing::Message() << "pass " << pass << ", shape " << shape);
      KeychainQuery q{shape & 1 ? std::optional<std::string>("s") : std::nullopt,
                      shape & 2 ? std::optional<std::string>("b") : std::nullopt,
                      shape & 4 ? KeychainSynchronizable::Yes : KeychainSynchronizable::Any,
                      shape & 8 ? std::optional<std::string>("ak") : std::nullopt};
      const bool onlyB = (shape & 2) || (shape & 4);
      Bytes data;
      ASSERT_EQ(k->copyData(q, data), errSecSuccess);
      EXPECT_EQ(stringFromBytes(data), onlyB ? "2" : "1");
      std::vector<KeychainAttributes> found;
      ASSERT_EQ(k->copyAttributes(q, found), errSecSuccess);
      EXPECT_EQ(found.size(), onlyB ? 1u : 2u);
      EXPECT_EQ(k->find(q), errSecSuccess);
      EXPECT_EQ(k->update(q, {std::nullopt, std::string("ak")}), errSecSuccess);
    }
  }
}

TEST(KeychainFile, ThreadsSharingOneKeychainLoseNoWrite) {
  qortest::TempDir dir;
  auto k = Keychain::openFile((dir.path() / "k.sqlite").string());
  constexpr int kThreads = 8, kItems = 50;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kItems; ++i) {
        const std::string account = std::to_string(t) + "-" + std::to_string(i);
        if (k->add(item("s", account, account)) != 0) ++failures;
        if (k->update(query("s", account), {bytesFromString(account + "!"), std::nullopt}) != 0) ++failures;
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(failures, 0);
  std::vector<KeychainAttributes> all;
  ASSERT_EQ(k->copyAttributes(query("s", std::nullopt), all), 0);
  EXPECT_EQ(all.size(), size_t{kThreads * kItems});
  EXPECT_EQ(secretOf(*k, query("s", "7-49")), "7-49!");
}

}  // namespace
