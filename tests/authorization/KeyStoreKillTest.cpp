// An authorization killed around the key store's re-sealing: a fresh process on the same keychain
// file must still authorize, whether the server still hands out the storage key it held before or
// already moved on to the one it announced.
#include <gtest/gtest.h>
#include <signal.h>

#include "common/storage/QORCommonData.h"
#include "common/storage/QORSecureStorage.h"
#include "platform/http/URLSession.h"
#include "platform/keychain/Keychain.h"
#include "tests/authorization/AuthorizationTestSupport.h"
#include "tests/support/TestSupport.h"

namespace qortest {
namespace {

using platform::Json;

constexpr const char* kBeforeResealing = "beforeResealing";
constexpr const char* kAfterResealing = "afterResealing";

// Child: authorizes on the keychain file and dies by SIGKILL right before the keychain writes the
// re-sealing ("beforeResealing"), or right after it was committed, before handshake step 1 is
// sent ("afterResealing"). Arguments: the keychain file, the server's CA, the kill point.
QORTEST_CHILD(authorizeUntilKilled) {
  auto keychain = platform::Keychain::openFile(args.at(0));
  platform::Keychain::setShared(keychain);
  platform::URLSession::shared()->addTrustAnchorCertificates(args.at(1));
  const bool before = args.at(2) == kBeforeResealing;
  if (before) {
    keychain->setFailureHook([](platform::KeychainOperation operation, const platform::KeychainQuery& query) {
      if (operation == platform::KeychainOperation::Save &&
          query.service == std::string(qor::kQORSecureStorageSensitiveDataEncrypted)) {
        raise(SIGKILL);
      }
      return platform::errSecSuccess;
    });
  }
  auto presenter = std::make_shared<RecordingPresenter>();
  auto controller = SpoilableAuthController::create(4711);
  controller->setDelegate(presenter);
  controller->afterSave = [before](qor::QORAuthController&, const qor::QORBaseClientAction& action) {
    if (!before && action.actionType() == qor::QORClientActionTypeWakeUp) raise(SIGKILL);
  };
  controller->start();
  platform::MainQueue::shared()->runUntil([&] { return !presenter->statuses.empty(); }, platform::seconds(30));
  return 3;  // it was never killed
}

TEST_F(AuthorizationTest, AKillAroundTheResealingLeavesADeviceThatAuthorizes) {
  const struct {
    const char* name;
    const char* killAt;
    const char* storageMoves;  // when the server takes the announced storage key
    qor::QORStatus status;     // of the next authorization
  } cases[] = {
      {"killed before the re-sealing, the server still at its key", kBeforeResealing, "handshake", 1},
      {"killed after the re-sealing, the server still at its key", kAfterResealing, "handshake", 1},
      {"killed after the re-sealing, the server at the announced key", kAfterResealing, "wakeUp", 1},
      // A server that drops its key before the client could seal under the next one leaves nothing
      // that opens: 64, and the store stays as it was.
      {"killed before the re-sealing, the server at the announced key", kBeforeResealing, "wakeUp", 64},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    TempDir dir;
    const std::string path = (dir.path() / "keychain.sqlite").string();
    platform::Keychain::setShared(platform::Keychain::openFile(path));
    qor::QORCommonData::setHost(server_->host());
    qor::QORCommonData::setPubVtnBase64(server_->pubVtnBase64());
    qor::QORCommonData::setInstallationId(std::string("device-1"));
    enroll(false, Json::object(), c.storageMoves);
    const auto enrolled = storedKeyStore();

    auto child = spawnTestChild("authorizeUntilKilled", {path, server_->caPath(), c.killAt});
    ASSERT_TRUE(child.started());
    ASSERT_EQ(child.wait(), 128 + SIGKILL);
    EXPECT_EQ(acceptedTypes(), std::vector<int64_t>{105}) << "killed before the handshake";

    // A fresh start of the app: the keychain file opened anew.
    platform::Keychain::setShared(platform::Keychain::openFile(path));
    const auto afterKill = storedKeyStore();
    if (c.killAt == kBeforeResealing) {
      EXPECT_EQ(afterKill, enrolled);
    } else {
      EXPECT_NE(afterKill.current, enrolled.current);
      EXPECT_EQ(afterKill.kept, enrolled.current);
    }

    const size_t sent = server_->requests().size();
    auto controller = runToPause();
    if (c.status != 1) {
      settle();
      EXPECT_EQ(presenter_->statuses, std::vector<qor::QORStatus>{c.status});
      EXPECT_EQ(server_->requests().size(), sent + 1) << "nothing after the wake-up";
      EXPECT_EQ(storedKeyStore(), afterKill);
    } else {
      // Twice: the second run shows that the store the first one left opens with the key the
      // server hands out then.
      for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        if (run == 2) controller = runToPause();
        ASSERT_TRUE(controller->isPaused()) << ::testing::PrintToString(refusals());
        decideAndWait(*controller, [](qor::QORAuthController& auth) { auth.commitAuth("YES"); });
        EXPECT_EQ(presenter_->statuses, std::vector<qor::QORStatus>(run, 1));
      }
      EXPECT_EQ(decisions().size(), 2u);
    }
    controller.reset();
    platform::Keychain::setShared(platform::Keychain::inMemory());
  }
}

}  // namespace
}  // namespace qortest
