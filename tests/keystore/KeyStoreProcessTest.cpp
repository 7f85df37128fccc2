// The key store under a crash: a process that rotates the storage key is killed at random moments,
// and the store it leaves must still open, under the storage key of its last save or of the save
// it was in.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>

#include "common/crypto/QORCryptUtilsAsymmetric.h"
#include "common/keystore/SensitiveDataManager.h"
#include "platform/keychain/Keychain.h"
#include "tests/support/TestSupport.h"

using namespace qor;
using platform::Bytes;

namespace {

// The record of one generation: both keys tell it, so an opened store says which save it holds.
std::shared_ptr<SensitiveData> recordFor(long generation) {
  const std::string g = std::to_string(generation);
  return SensitiveData::create(
      QORCryptUtilsAsymmetric::restoreSecretKeyFromData(platform::bytesFromString("client-" + g)),
      QORCryptUtilsAsymmetric::restoreSecretKeyFromData(platform::bytesFromString("sps-" + g)), std::nullopt);
}

std::optional<long> generationOf(const std::shared_ptr<SensitiveData>& opened) {
  if (!opened || !opened->prvClient() || !opened->prvClient()->data()) return std::nullopt;
  const std::string client = platform::stringFromBytes(*opened->prvClient()->data());
  if (client.rfind("client-", 0) != 0) return std::nullopt;
  const long generation = std::stol(client.substr(7));
  const auto sps = opened->pubSps() ? opened->pubSps()->data() : std::nullopt;
  if (sps != platform::bytesFromString("sps-" + std::to_string(generation))) return std::nullopt;
  return generation;
}

// Child: saves the record of each generation under storage key `generation % 2`, reporting every
// save that returned on its standard output, until it is killed. Arguments: the keychain file,
// the first generation, the two storage public keys in hex.
QORTEST_CHILD(keyStoreRotator) {
  platform::Keychain::setShared(platform::Keychain::openFile(args.at(0)));
  const std::shared_ptr<QORSecretKey> storage[2] = {
      QORCryptUtilsAsymmetric::restoreSecretKeyFromData(platform::bytesFromHex(args.at(2))),
      QORCryptUtilsAsymmetric::restoreSecretKeyFromData(platform::bytesFromHex(args.at(3)))};
  for (long generation = std::stol(args.at(1));; ++generation) {
    if (!SensitiveDataManager::saveSensitiveData(recordFor(generation), storage[generation % 2])) return 3;
    const std::string line = std::to_string(generation) + "\n";
    if (write(1, line.data(), line.size()) < 0) return 4;
  }
}

TEST(KeyStoreProcess, ARotationKilledAtRandomMomentsLeavesAStoreThatOpens) {
  const std::shared_ptr<QORKeyPair> storage[2] = {QORCryptUtilsAsymmetric::generateKeyPair(),
                                                  QORCryptUtilsAsymmetric::generateKeyPair()};
  ASSERT_TRUE(storage[0] && storage[1]);
  qortest::TempDir dir;
  const std::string path = (dir.path() / "rotated.sqlite").string();
  std::mt19937 random(std::random_device{}());
  std::optional<long> stored;  // the generation the store held after the last round

  constexpr int kRounds = 30;
  int killedMidway = 0;  // rounds whose kill landed after a confirmed save
  for (int round = 0; round < kRounds; ++round) {
    const long base = round * 1000000L;  // even: storage key 0 first
    auto child = qortest::spawnTestChild(
        "keyStoreRotator", {path, std::to_string(base), platform::hexString(*storage[0]->publicKey()->data()),
                            platform::hexString(*storage[1]->publicKey()->data())});
    ASSERT_TRUE(child.started());

    std::optional<long> confirmed;
    std::string line;
    // Waits for the first save, then kills at a random moment of the ones that follow.
    if (child.readLine(line, 30000)) confirmed = std::stol(line);
    const auto killAt = std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 60000);
    while (std::chrono::steady_clock::now() < killAt) {
      if (child.readLine(line, 1)) confirmed = std::stol(line);
    }
    child.kill(SIGKILL);
    ASSERT_EQ(child.wait(), 128 + SIGKILL) << "round " << round << ": the rotator stopped by itself";
    while (child.readLine(line, 100)) confirmed = std::stol(line);
    if (confirmed && *confirmed > base) ++killedMidway;

    platform::Keychain::setShared(platform::Keychain::openFile(path));
    const std::optional<long> last = confirmed ? confirmed : stored;
    const long next = confirmed ? *confirmed + 1 : base;
    std::optional<long> opened;
    for (const auto& pair : storage) {
      if (auto generation = generationOf(SensitiveDataManager::getSensitiveDataWithPrvStorage(pair->privateKey()))) {
        EXPECT_FALSE(opened) << "round " << round << ": two storage keys open the store";
        EXPECT_TRUE(pair == storage[*generation % 2])
            << "round " << round << ": generation " << *generation << " opens under the wrong storage key";
        opened = generation;
      }
    }
    platform::Keychain::setShared(nullptr);
    ASSERT_TRUE(opened) << "round " << round << ": after the save of generation " << last.value_or(-1)
                        << " the store opens under neither storage key";
    EXPECT_TRUE(*opened == next || opened == last)
        << "round " << round << ": the store holds generation " << *opened << ", not " << last.value_or(-1)
        << " or " << next;
    stored = opened;
  }
  // Most kills land inside the save loop; a run where none did would prove nothing.
  EXPECT_GT(killedMidway, kRounds / 2);
}

}  // namespace
