#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/Queue.h"
#include "tests/support/TestSupport.h"

namespace {

// Blocks left on the main queue by one case must not run inside the next.
class ClearMainQueue : public testing::EmptyTestEventListener {
  void OnTestEnd(const testing::TestInfo&) override { platform::MainQueue::shared()->clear(); }
};

// A test that reaches the process keychain without installing its own must not write into the
// user's data folder: each test process gets a scratch file, removed at exit.
void useScratchKeychain() {
  if (std::getenv("QOR_KEYCHAIN_PATH")) return;
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("qor-test-keychain-" + std::to_string(getpid()) + ".sqlite")).string();
  setenv("QOR_KEYCHAIN_PATH", path.c_str(), 1);
  std::atexit([] {
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::filesystem::remove(path + suffix, ec);
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (auto exitCode = qortest::runChildEntryIfAsked(argc, argv)) return *exitCode;
  useScratchKeychain();
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new ClearMainQueue);
  return RUN_ALL_TESTS();
}
