#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/Clock.h"
#include "platform/SystemLog.h"
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

TEST(Keychain, ABatchSavesEveryItemOrNone) {
  VirtualTime time;
  auto k = Keychain::inMemory();
  ASSERT_EQ(k->add(item("s", "a", "old-a")), 0);
  ASSERT_EQ(k->add(item("s", "a", "synced", true)), 0);
  std::vector<KeychainAttributes> before;
  ASSERT_EQ(k->copyAttributes(query("s", "a"), before), 0);

  auto batch = [](const std::string& a, const std::string& b) {
    auto first = item("s", "a", a);
    first.label = "another label";
    first.accessibility = kSecAttrAccessibleWhenUnlockedThisDeviceOnly;
    return std::vector<KeychainItem>{first, item("s", "b", b)};
  };
  // A failure at either item leaves both as they were: at the second, the first was already
  // written inside the transaction.
  for (const char* failing : {"a", "b"}) {
    k->setFailureHook([&](KeychainOperation op, const KeychainQuery& q) {
      return op == KeychainOperation::Save && q.account == failing ? errSecAuthFailed : errSecSuccess;
    });
    EXPECT_EQ(k->saveAll(batch("new-a", "new-b")), errSecAuthFailed) << failing;
    EXPECT_EQ(secretOf(*k, query("s", "a")), "old-a") << failing;
    EXPECT_EQ(k->find(query("s", "b")), errSecItemNotFound) << failing;
  }
  k->setFailureHook(nullptr);
  k->failNextCall(errSecInteractionNotAllowed);
  EXPECT_EQ(k->saveAll(batch("new-a", "new-b")), errSecInteractionNotAllowed);
  EXPECT_EQ(secretOf(*k, query("s", "a")), "old-a");

  VirtualTime::jump(std::chrono::seconds(30));
  ASSERT_EQ(k->saveAll(batch("new-a", "new-b")), 0);
  EXPECT_EQ(secretOf(*k, query("s", "a")), "new-a");
  EXPECT_EQ(secretOf(*k, query("s", "b")), "new-b");
  EXPECT_EQ(secretOf(*k, query("s", "a", KeychainSynchronizable::Yes)), "synced") << "another item: another flag";
  std::vector<KeychainAttributes> after;
  ASSERT_EQ(k->copyAttributes(query("s", "a"), after), 0);
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].label, before[0].label) << "a replaced item keeps its label";
  EXPECT_EQ(after[0].accessibility, kSecAttrAccessibleWhenUnlockedThisDeviceOnly);
  EXPECT_EQ(after[0].creationDate, before[0].creationDate);
  EXPECT_GT(after[0].modificationDate, before[0].modificationDate);
  ASSERT_EQ(k->copyAttributes(query("s", "b"), after), 0);
  EXPECT_EQ(after[0].label, "label-b") << "an added item takes its own label";
  EXPECT_EQ(k->saveAll({}), 0);
}

// Removals belong to the batch: a failure at any change, a removal included, undoes the others.
TEST(Keychain, ABatchRemovesWithItsSavesOrNotAtAll) {
  auto k = Keychain::inMemory();
  ASSERT_EQ(k->add(item("s", "a", "old-a")), 0);
  ASSERT_EQ(k->add(item("s", "gone", "old")), 0);
  const std::vector<KeychainItem> saves = {item("s", "a", "new-a")};
  const std::vector<KeychainQuery> removals = {query("s", "gone"), query("s", "never-there")};
  for (KeychainOperation failing : {KeychainOperation::Save, KeychainOperation::Delete}) {
    k->setFailureHook([&](KeychainOperation op, const KeychainQuery&) {
      return op == failing ? errSecAuthFailed : errSecSuccess;
    });
    EXPECT_EQ(k->saveAll(saves, removals), errSecAuthFailed);
    EXPECT_EQ(secretOf(*k, query("s", "a")), "old-a");
    EXPECT_EQ(secretOf(*k, query("s", "gone")), "old");
  }
  k->setFailureHook(nullptr);
  ASSERT_EQ(k->saveAll(saves, removals), 0) << "a removal that matches nothing is no failure";
  EXPECT_EQ(secretOf(*k, query("s", "a")), "new-a");
  EXPECT_EQ(k->find(query("s", "gone")), errSecItemNotFound);
}

// A batch read must be a faster form of the single reads, never a different answer.
TEST(Keychain, ABatchReadAnswersEachQueryAsASingleReadDoes) {
  auto k = Keychain::inMemory();
  ASSERT_EQ(k->add(item("s", "a", "plain")), 0);
  ASSERT_EQ(k->add(item("s", "a", "synced", true)), 0);
  ASSERT_EQ(k->add(item("s", "only-synced", "up", true)), 0);
  ASSERT_EQ(k->add(item("s", "empty", "")), 0);
  auto locked = item("s", "locked", "secret");
  locked.accessibility = kSecAttrAccessibleWhenUnlockedThisDeviceOnly;
  ASSERT_EQ(k->add(locked), 0);
  auto withAccessibility = [](KeychainQuery q, const char* accessibility) {
    q.accessibility = accessibility;
    return q;
  };
  const std::vector<KeychainQuery> queries = {
      query("s", "a"),
      query("s", "a", KeychainSynchronizable::Any),
      query("s", "a", KeychainSynchronizable::Yes),
      query("s", "only-synced"),
      query("s", "only-synced", KeychainSynchronizable::Any),
      query("s", "empty"),
      query("s", "missing"),
      withAccessibility(query("s", "locked"), kSecAttrAccessibleWhenUnlockedThisDeviceOnly),
      withAccessibility(query("s", "locked"), kSecAttrAccessibleWhenUnlocked),
      query("s", std::nullopt),
  };
  auto singleReads = [&](Keychain& keychain) {
    std::vector<std::pair<OSStatus, std::string>> answers;
    for (const auto& q : queries) {
      Bytes data;
      OSStatus status = keychain.copyData(q, data);
      answers.emplace_back(status, status ? "" : stringFromBytes(data));
    }
    return answers;
  };
  auto batchRead = [&](Keychain& keychain) {
    std::vector<std::pair<OSStatus, std::string>> answers;
    for (const auto& result : keychain.copyDataAll(queries)) {
      answers.emplace_back(result.status, result.status ? "" : stringFromBytes(result.data));
    }
    return answers;
  };
  const auto expected = singleReads(*k);
  ASSERT_EQ(expected[0], std::make_pair(errSecSuccess, std::string("plain")));
  ASSERT_EQ(expected[6].first, errSecItemNotFound);
  EXPECT_EQ(batchRead(*k), expected);
  EXPECT_TRUE(k->copyDataAll({}).empty());

  // An injected failure strikes the query it names (or, one-shot, the first) and no other.
  std::vector<KeychainOperation> seen;
  k->setFailureHook([&](KeychainOperation op, const KeychainQuery& q) {
    seen.push_back(op);
    return q.account == "empty" ? errSecAuthFailed : errSecSuccess;
  });
  const auto hooked = singleReads(*k);
  EXPECT_EQ(hooked[5].first, errSecAuthFailed);
  seen.clear();
  EXPECT_EQ(batchRead(*k), hooked);
  EXPECT_EQ(seen, std::vector<KeychainOperation>(queries.size(), KeychainOperation::CopyMatching));
  k->setFailureHook(nullptr);
  auto firstFails = expected;
  firstFails[0] = {errSecInteractionNotAllowed, ""};
  k->failNextCall(errSecInteractionNotAllowed);
  EXPECT_EQ(batchRead(*k), firstFails);
  EXPECT_EQ(batchRead(*k), expected) << "the failure is one-shot";

  auto unusable = Keychain::openFile("/proc/no-such-folder/keychain.sqlite");
  EXPECT_EQ(batchRead(*unusable), singleReads(*unusable));
  EXPECT_EQ(batchRead(*unusable)[0].first, errSecNotAvailable);
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

TEST(KeychainFile, AnExistingFileAndItsJournalsBecomePrivate) {
  qortest::TempDir dir;
  const std::string path = (dir.path() / "keychain.sqlite").string();
  // An open keychain keeps the journal files of WAL mode in place.
  auto first = Keychain::openFile(path);
  ASSERT_EQ(first->add(item("s", "a", "kept")), 0);
  auto modeOf = [](const std::string& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
  };
  const std::string files[] = {path, path + "-wal", path + "-shm"};
  for (const auto& file : files) {
    ASSERT_EQ(modeOf(file), 0600) << file;
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0) << file;
  }
  auto second = Keychain::openFile(path);
  EXPECT_EQ(secretOf(*second, query("s", "a")), "kept");
  for (const auto& file : files) EXPECT_EQ(modeOf(file), 0600) << file;
}

// Child: drops to a user id that the user database does not know, without the variables that name
// a folder, and uses the process keychain. 0 when it fails with errSecNotAvailable and says why.
QORTEST_CHILD(keychainWithoutHome) {
  for (const char* variable : {Keychain::kPathVariable, "XDG_DATA_HOME", "HOME"}) ::unsetenv(variable);
  constexpr uid_t kUnknownUser = 54321;
  if (::setgid(kUnknownUser) != 0 || ::setuid(kUnknownUser) != 0) return 2;
  if (::getpwuid(kUnknownUser)) return 3;
  LogCapture log;
  auto k = Keychain::shared();
  if (k->add(item("s", "a", "secret")) != errSecNotAvailable) return 4;
  if (k->find(query("s", "a")) != errSecNotAvailable) return 5;
  const auto messages = log.messages();
  if (messages.size() != 1 || messages[0].find(Keychain::kPathVariable) == std::string::npos) return 6;
  return 0;
}

TEST(KeychainFile, WithoutAFolderForItTheProcessKeychainFails) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs to take another user id";
  auto child = qortest::spawnTestChild("keychainWithoutHome");
  EXPECT_EQ(child.wait(), 0) << "2: no other user id, 3: the id is known, 4-5: the keychain worked, 6: no clear log";
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
    // A batch reads in a transaction of its own; one left open would hold the reader on this state.
    const auto batch = reader->copyDataAll({query("s", "a"), query("s", "b" + std::to_string(round - 1))});
    ASSERT_EQ(batch.size(), 2u);
    EXPECT_EQ(stringFromBytes(batch[0].data), "v" + std::to_string(round - 1));
    EXPECT_EQ(batch[1].status, round == 1 ? errSecItemNotFound : errSecSuccess);
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
