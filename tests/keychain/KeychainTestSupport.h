// Shared by the keychain, storage and key-store tests: a fixture that gives the process a fresh
// in-memory keychain for each test, and a writer helper for the file tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/keychain/Keychain.h"

namespace qortest {

class InMemoryKeychainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    keychain = platform::Keychain::inMemory();
    platform::Keychain::setShared(keychain);
  }
  void TearDown() override { platform::Keychain::setShared(nullptr); }

  // The attributes of the item with this service and account, either flag.
  std::optional<platform::KeychainAttributes> attributesOf(const std::string& service, const std::string& account) {
    std::vector<platform::KeychainAttributes> found;
    if (keychain->copyAttributes({service, account, platform::KeychainSynchronizable::Any, std::nullopt}, found) != 0) {
      return std::nullopt;
    }
    return found.front();
  }

  std::shared_ptr<platform::Keychain> keychain;
};

}  // namespace qortest
