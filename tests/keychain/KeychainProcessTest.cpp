// The keychain file against other processes: a writer killed at random points, and two processes
// writing one file at once.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>
#include <sstream>

#include "common/keychain/ZIBKeychain.h"
#include "platform/keychain/Keychain.h"
#include "tests/support/TestSupport.h"

using namespace platform;

namespace {

constexpr int kItems = 8;
constexpr int kSaves = 150;

// A value that tells its item and generation and whose every byte depends on both, so that a torn
// or mixed write never passes for a whole one.
std::string valueFor(int item, long generation) {
  std::string value = std::to_string(item) + ":" + std::to_string(generation) + ":";
  uint32_t state = static_cast<uint32_t>(item * 2654435761u) ^ static_cast<uint32_t>(generation);
  for (int i = 0; i < 3000; ++i) {
    state = state * 1103515245u + 12345u;
    value.push_back(static_cast<char>('a' + (state >> 16) % 26));
  }
  return value;
}

// The generation a stored value is whole for; nullopt for a torn or foreign one.
std::optional<long> generationOf(int item, const std::string& value) {
  std::istringstream in(value);
  int storedItem;
  long generation;
  char colon1, colon2;
  if (!(in >> storedItem >> colon1 >> generation >> colon2) || storedItem != item) return std::nullopt;
  if (valueFor(item, generation) != value) return std::nullopt;
  return generation;
}

std::string account(int item) { return "item-" + std::to_string(item); }

KeychainQuery writerQuery(std::optional<std::string> account) {
  KeychainQuery query;
  query.service = "writer";
  query.account = std::move(account);
  return query;
}

// Child: saves every item over and over through the keychain wrapper, reporting each save that
// returned on its standard output, until it is killed. Arguments: the file, the first generation.
QORTEST_CHILD(keychainWriter) {
  Keychain::setShared(Keychain::openFile(args.at(0)));
  for (long generation = std::stol(args.at(1));; ++generation) {
    for (int item = 0; item < kItems; ++item) {
      if (!qor::ZIBKeychain::setPasswordData(bytesFromString(valueFor(item, generation)), "writer", account(item))) {
        return 3;
      }
      std::string line = std::to_string(item) + " " + std::to_string(generation) + "\n";
      if (write(1, line.data(), line.size()) < 0) return 4;
    }
  }
}

// One key of its own each, and one both keep replacing; the number of failed saves.
int writeAll(const std::string& who) {
  int failed = 0;
  for (int i = 0; i < kSaves; ++i) {
    failed += !qor::ZIBKeychain::setPassword(who + std::to_string(i), who, std::to_string(i));
    failed += !qor::ZIBKeychain::setPassword(who + std::to_string(i), "both", "same");
  }
  return failed;
}

// Child: the other of two processes writing one file. Argument: the file.
QORTEST_CHILD(keychainSecondWriter) {
  Keychain::setShared(Keychain::openFile(args.at(0)));
  return writeAll("child") == 0 ? 0 : 1;
}

TEST(KeychainProcess, AWriterKilledAtRandomPointsLosesAndTearsNothing) {
  qortest::TempDir dir;
  const std::string path = (dir.path() / "killed.sqlite").string();
  std::mt19937 random(std::random_device{}());
  std::map<int, long> stored;  // generation each item held after the last round

  for (int round = 0; round < 12; ++round) {
    const long base = round * 1000000L;
    auto child = qortest::spawnTestChild("keychainWriter", {path, std::to_string(base)});
    ASSERT_TRUE(child.started());

    // Reads the child's reports until the random moment of the kill, then what is left.
    std::map<int, long> confirmed;
    std::string pending;
    auto readReports = [&](int timeoutMs) {
      pollfd p{child.output(), POLLIN, 0};
      if (poll(&p, 1, timeoutMs) <= 0) return false;
      char buf[4096];
      ssize_t n = read(child.output(), buf, sizeof buf);
      if (n <= 0) return false;
      pending.append(buf, static_cast<size_t>(n));
      for (size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1)) {
        std::istringstream line(pending.substr(0, nl));
        int item;
        long generation;
        line >> item >> generation;
        confirmed[item] = generation;
      }
      return true;
    };
    // The random moment counts from the writer's first save: a program under a sanitizer takes a
    // while to start.
    for (int waited = 0; confirmed.empty() && waited < 300; ++waited) readReports(100);
    auto killAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(random() % 300);
    while (std::chrono::steady_clock::now() < killAt) readReports(5);
    child.kill(SIGKILL);
    ASSERT_EQ(child.wait(), 128 + SIGKILL) << "round " << round << ": the writer stopped by itself";
    while (readReports(100)) {
    }

    auto keychain = Keychain::openFile(path);
    std::vector<KeychainAttributes> all;
    OSStatus listStatus = keychain->copyAttributes(writerQuery(std::nullopt), all);
    ASSERT_TRUE(listStatus == errSecSuccess ||
                (listStatus == errSecItemNotFound && stored.empty() && confirmed.empty()))
        << "round " << round << ": the file does not open, status " << listStatus;
    for (int item = 0; item < kItems; ++item) {
      Bytes data;
      OSStatus s = keychain->copyData(writerQuery(account(item)), data);
      // The item holds its last confirmed value or the one the writer was saving when it died.
      constexpr long kNone = -1;
      long last = confirmed.count(item) ? confirmed[item] : stored.count(item) ? stored[item] : kNone;
      long next = confirmed.count(item) ? confirmed[item] + 1 : base;
      if (s == errSecItemNotFound) {
        EXPECT_EQ(last, kNone) << "round " << round << ": item " << item << " was lost";
        continue;
      }
      ASSERT_EQ(s, errSecSuccess) << "round " << round << ", item " << item;
      auto generation = generationOf(item, stringFromBytes(data));
      ASSERT_TRUE(generation) << "round " << round << ": item " << item << " is torn";
      EXPECT_TRUE(*generation == next || *generation == last)
          << "round " << round << ": item " << item << " holds generation " << *generation;
      stored[item] = *generation;
    }
  }
  EXPECT_FALSE(stored.empty()) << "the writer never got to write";
}

TEST(KeychainProcess, TwoProcessesWritingOneFileLoseNothing) {
  qortest::TempDir dir;
  const std::string path = (dir.path() / "shared.sqlite").string();
  Keychain::setShared(Keychain::openFile(path));
  auto child = qortest::spawnTestChild("keychainSecondWriter", {path});
  EXPECT_EQ(writeAll("parent"), 0);
  EXPECT_EQ(child.wait(), 0) << "the child's saves failed";

  for (const char* who : {"parent", "child"}) {
    auto accounts = qor::ZIBKeychain::accountsForService(std::string(who));
    ASSERT_TRUE(accounts) << who;
    EXPECT_EQ(accounts->size(), size_t{kSaves}) << who;
    EXPECT_EQ(qor::ZIBKeychain::passwordForService(std::string(who), std::string("42")), who + std::string("42"));
  }
  auto shared = qor::ZIBKeychain::passwordForService(std::string("both"), std::string("same"));
  EXPECT_TRUE(shared == "parent149" || shared == "child149") << shared.value_or("<nil>");
  Keychain::setShared(nullptr);
}

}  // namespace
